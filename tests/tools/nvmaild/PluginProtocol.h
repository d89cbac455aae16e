// The plug-in's side of the upload protocol for the server tests: the query form it sends, and
// its reading of every answer through the plug-in's own protocol module. Tests read every answer
// through it, so a shape the plug-in would misread fails here.
// Pure functions; any thread.
#pragma once

#include <cstdint>
#include <string>

namespace nvmaild::test {

struct FileForm {
    std::string content;
    std::string attachId = "-1";
    bool withCrc2 = true;
    std::string fileName = "report.pdf";
};

// The form body of the query for `file`, its checksums computed over its content.
std::string formFor(const FileForm& file);

struct QueryOutcome {
    int error = 0;         // 0 when accepted; 6, 7, 8 or 9 for a refusal
    std::string errorText; // the whole answer for a refusal
    std::string attachId;  // what follows "attid=", cut at the first blank or line end
    bool verified = false; // "crcOK=1": the item ends in state 4 without a block
    std::uint64_t offset = 0;
    bool deflate = false; // "acceptEncoding=deflate"
};

QueryOutcome readQueryAnswer(const std::string& text, std::uint64_t totalSize);

struct BlockOutcome {
    int error = 0; // 0, or 5, 6, 8, 9 as the item records it
    std::string errorText;
    bool verified = false;  // state 4
    bool finished = false;  // state 5
    std::uint64_t next = 0; // where the next block starts when neither
};

// `next` is the offset after the block just sent, as the item binds it.
BlockOutcome readBlockAnswer(const std::string& text, std::uint64_t totalSize, std::uint64_t next);

} // namespace nvmaild::test
