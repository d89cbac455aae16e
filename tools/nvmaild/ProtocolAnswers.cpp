#include "tools/nvmaild/ProtocolAnswers.h"

namespace nvmaild {

namespace {

constexpr std::string_view kXmlHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string_view queryReason(QueryRefusal refusal) {
    switch (refusal) {
    case QueryRefusal::ComposeNotFound:
        return "compose_not_found";
    case QueryRefusal::FileCountOverflow:
        return "file_count_overflow";
    case QueryRefusal::Overflow:
        return "overflow";
    case QueryRefusal::InvalidParameter:
        return "invalid_parameter";
    case QueryRefusal::AttachmentNotFound:
        return "attachment_not_found";
    case QueryRefusal::AttachmentMismatch:
        return "attachment_mismatch";
    case QueryRefusal::StorageFailed:
        return "storage_error";
    }
    return "server_error";
}

std::string_view blockCode(BlockRefusal refusal) {
    switch (refusal) {
    case BlockRefusal::ComposeNotFound:
        return "FA_COMPOSE_NOT_FOUND";
    case BlockRefusal::SizeExceeded:
        return "FA_UPLOAD_SIZE_EXCEEDED";
    case BlockRefusal::InvalidParameter:
        return "FA_INVALID_PARAMETER";
    case BlockRefusal::AttachmentNotFound:
        return "FA_ATTACHMENT_NOT_FOUND";
    case BlockRefusal::AttachmentBusy:
        return "FA_ATTACHMENT_BUSY";
    case BlockRefusal::InvalidOffset:
        return "FA_INVALID_OFFSET";
    case BlockRefusal::InvalidContent:
        return "FA_INVALID_CONTENT";
    case BlockRefusal::RequestTooLarge:
        return "FA_REQUEST_TOO_LARGE";
    case BlockRefusal::StorageFailed:
        return "FA_STORAGE_ERROR";
    }
    return "FA_SERVER_ERROR";
}

std::string blockResult(std::string_view body) {
    return std::string(kXmlHeader) + "<result><code>S_OK</code><var>" + std::string(body) +
           "</var></result>\n";
}

std::string actualSizeElement(std::uint64_t actualSize) {
    return "<int name=\"actualSize\">" + std::to_string(actualSize) + "</int>";
}

} // namespace

std::string queryAccepted(const std::string& attachId, std::uint64_t held, bool holdsVerifiedFile,
                          bool acceptDeflate) {
    std::string answer = "S_OK\nattid=" + attachId + "\n";
    if (holdsVerifiedFile)
        answer += "crcOK=1\n";
    answer += "offset=" + std::to_string(held) + "\n";
    if (acceptDeflate)
        answer += "acceptEncoding=deflate\n";
    return answer;
}

std::string queryRefused(QueryRefusal refusal, std::string_view detail) {
    std::string answer = "FAIL " + std::string(queryReason(refusal));
    if (!detail.empty())
        answer += " " + std::string(detail);
    return answer + "\n";
}

std::string blockStored(std::uint64_t actualSize) {
    return blockResult(actualSizeElement(actualSize));
}

// The plug-in looks for "true" between "crcOK" and the next "boolean", so the value has to sit
// inside an element whose closing tag is named boolean.
std::string blockChecked(std::uint64_t actualSize, bool crcOk) {
    return blockResult(actualSizeElement(actualSize) + "<boolean name=\"crcOK\">" +
                       (crcOk ? "true" : "false") + "</boolean>");
}

std::string blockRefused(BlockRefusal refusal, std::string_view detail) {
    std::string answer =
        std::string(kXmlHeader) + "<result><code>" + std::string(blockCode(refusal)) + "</code>";
    if (!detail.empty())
        answer += "<message>" + std::string(detail) + "</message>";
    return answer + "</result>\n";
}

} // namespace nvmaild
