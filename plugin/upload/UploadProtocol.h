// The resumable upload protocol as plain values: what the upload item sends (the query's form and
// each block's request) and what it does next after each answer. The item only sends what these
// build and acts on what they read, so every request byte and every error number and text of the
// protocol is decided here. Pure functions; any thread.
#pragma once

#include <string>

#include <boost/optional.hpp>

// What the query tells the server about the file.
struct QueryForm {
    std::string queryUrl;
    std::string extArg; // appended to the URL as it is
    std::string path;   // UTF-8
    bool keepFullPath = false;
    unsigned long long size = 0;
    std::string crc;
    std::string attachId; // empty before the server gave one
    bool netfolder = true;
    std::string crc2;    // sent for net-folder uploads only
    std::string display; // UTF-8
};

struct QueryRequest {
    std::string url;
    std::string body;
};

// The query: its URL and form body (fileName, size, crc, attachId, crc2, display in that order).
QueryRequest buildQuery(const QueryForm& form);

// Where one block goes and how it travels.
struct BlockTarget {
    std::string uploadUrl;
    std::string extArg; // appended to the URL before the block's parameters
    std::string attachId;
    unsigned long compress = 0; // deflate level; 0 sends the block as it is
    bool npapi = true;          // an NPAPI browser wants the length among the headers
};

struct BlockRequest {
    std::string url;
    std::string headers;
};

// The request for the block read at `offset`. Deflates `block` in place when the target asks for
// it and that makes it smaller. Throws what FB::URI throws for a URL it cannot parse, before
// touching `block`.
BlockRequest buildBlockRequest(const BlockTarget& target, unsigned long long offset,
                               std::string& block);

// What the item does after an answer.
enum class NextStep {
    Fail,     // error state with `error` and `errorText`
    Verified, // the server holds the file and its checksum matched: state 4
    Finished, // the server holds the whole file: state 5
    Send,     // send the block at `offset`
};

struct QueryStep {
    NextStep next = NextStep::Fail;
    int error = 0;
    std::string errorText;
    boost::optional<std::string> attachId; // the server's id for the file, when it gave one
    unsigned long long offset = 0;
    bool deflate = false; // the server accepts deflated blocks
};

// The query's answer (`delivered` false for a transport failure) for a file of `total` bytes. A
// query never finishes the upload by itself: a block at `total` does.
QueryStep readQueryAnswer(bool delivered, const std::string& text, unsigned long long total);

struct BlockStep {
    NextStep next = NextStep::Fail;
    int error = 0;
    std::string errorText;
    unsigned long long offset = 0;
};

// A block's answer for a file of `total` bytes; `sentEnd` is where the block just sent ended.
BlockStep readBlockAnswer(bool delivered, const std::string& text, unsigned long long total,
                          unsigned long long sentEnd);
