// ZipEntryName: how the name of an archive entry becomes local names. Archive names are bytes in a
// character set the archive does not state; each folder path of the archive is flattened into one
// folder name below the destination.
//
// Thread contract: pure functions; callable from any thread.
#pragma once

#include <string>

// Replaces every "/", "\\" and ":" by "_", so that a name component can neither climb folders nor
// name a stream or drive.
void fixpath(std::string& name);

// Decodes `bytes` by the character set the caller expects. Unless `charset` is empty, "utf-8" or
// "utf8", GB 18030 is tried first and UTF-8 second; otherwise the other way round: the name only
// decides the order. Empty when neither decodes. Doesn't throw, except std::bad_alloc.
std::wstring changeCharset(const std::string& bytes, const std::string& charset);

// An entry name split at its last "/" or "\\". A name ending in a separator is a folder entry:
// `folder` is the text before that final separator and `file` is empty. A name without a separator
// has an empty `folder` and `inFolder` false.
struct ZipEntryName {
    std::string folder;
    std::string file;
    bool inFolder = false;

    static ZipEntryName split(const std::string& name);
};

// One local file or folder name made from archive bytes: fixpath, then changeCharset. False, with
// errno set, when the result cannot be used as a name of its own inside the destination: empty
// (EILSEQ when the bytes do not decode, else EINVAL), "." or ".." (EINVAL), or holding a "/" or a
// NUL character (EINVAL). Doesn't throw, except std::bad_alloc.
bool makeLocalName(std::string bytes, const std::string& charset, std::wstring& local);
