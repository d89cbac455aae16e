// The texts of the upload protocol's answers. The plug-in reads them by plain substring search,
// so every shape lives here, and no answer carries text a client sent (a file name holding
// "S_OK" would otherwise turn a refusal into a success).
// Thread contract: free functions without state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nvmaild {

// Query answers are lines of text: "S_OK", "attid=<id>", "crcOK=1" when the server holds the
// complete, verified file, "offset=<bytes held>", and "acceptEncoding=deflate" when deflated
// blocks are welcome.
std::string queryAccepted(const std::string& attachId, std::uint64_t held, bool holdsVerifiedFile,
                          bool acceptDeflate);

enum class QueryRefusal {
    ComposeNotFound,    // "compose_not_found"
    FileCountOverflow,  // "file_count_overflow"
    Overflow,           // "overflow": the file is larger than the server takes
    InvalidParameter,   // a field is missing, repeated or malformed
    AttachmentNotFound, // "attachId" names no attachment (of this run)
    AttachmentMismatch, // "attachId" names an attachment declared with another size or checksum
    StorageFailed,      // the data file could not be created
};

// "FAIL <reason>[ <detail>]" on one line, never containing "S_OK". `detail` is a field name of
// the protocol, never client text.
std::string queryRefused(QueryRefusal refusal, std::string_view detail = {});

// Block answers are an XML document whose first line is its header; the count is the text of the
// element named "actualSize", and "crcOK" is a boolean element that follows once the file is
// complete and checked.
std::string blockStored(std::uint64_t actualSize);
std::string blockChecked(std::uint64_t actualSize, bool crcOk);

enum class BlockRefusal {
    ComposeNotFound,    // "FA_COMPOSE_NOT_FOUND"
    SizeExceeded,       // "FA_UPLOAD_SIZE_EXCEEDED": past the declared size or the size limit
    InvalidParameter,   // "FA_INVALID_PARAMETER"
    AttachmentNotFound, // "FA_ATTACHMENT_NOT_FOUND"
    AttachmentBusy,     // "FA_ATTACHMENT_BUSY": another block of it is in flight
    InvalidOffset,      // "FA_INVALID_OFFSET": the block would leave a gap
    InvalidContent,     // "FA_INVALID_CONTENT": a deflated body that does not inflate
    RequestTooLarge,    // "FA_REQUEST_TOO_LARGE": the body is over the block limit
    StorageFailed,      // "FA_STORAGE_ERROR"
};

std::string blockRefused(BlockRefusal refusal, std::string_view detail = {});

} // namespace nvmaild
