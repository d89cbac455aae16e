// The plug-in's side of the upload protocol for the server tests: the query form it sends, and
// its reading of every answer through the plug-in's own protocol module, so a shape the plug-in
// would misread fails here. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <string>

#include "plugin/upload/UploadProtocol.h"

namespace nvmaild::test {

struct FileForm {
    std::string content;
    std::string attachId = "-1";
    bool withCrc2 = true;
    std::string fileName = "report.pdf";
};

// The form body of the query for `file`, its checksums computed over its content by the plug-in's
// own checksum classes.
std::string formFor(const FileForm& file);

inline QueryStep readQuery(const std::string& text, std::uint64_t totalSize) {
    return readQueryAnswer(true, text, totalSize);
}

// `sentEnd` is the offset after the block just sent, as the item binds it.
inline BlockStep readBlock(const std::string& text, std::uint64_t totalSize,
                           std::uint64_t sentEnd) {
    return readBlockAnswer(true, text, totalSize, sentEnd);
}

inline bool verified(NextStep next) {
    return next == NextStep::Verified;
}

} // namespace nvmaild::test
