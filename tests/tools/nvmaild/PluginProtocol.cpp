#include "tests/tools/nvmaild/PluginProtocol.h"

#include "plugin/upload/UploadAnswers.h"
#include "tools/nvmaild/UploadDigest.h"

namespace nvmaild::test {

std::string formFor(const FileForm& file) {
    UploadDigest digest;
    digest.update(file.content);
    std::string form;
    addPostData(form, "fileName", file.fileName);
    addPostData(form, "size", std::to_string(file.content.size()));
    addPostData(form, "crc", std::to_string(digest.crc()));
    addPostData(form, "attachId", file.attachId);
    if (file.withCrc2)
        addPostData(form, "crc2", digest.crc2());
    addPostData(form, "display", "");
    return form;
}

QueryOutcome readQueryAnswer(const std::string& text, std::uint64_t totalSize) {
    QueryOutcome outcome;
    if (text.find("S_OK") == std::string::npos) {
        outcome.error = classifyQueryFailure(text);
        outcome.errorText = text;
        return outcome;
    }
    outcome.attachId = findAttachId(text).value_or("");
    if (text.find("crcOK=1") != std::string::npos) {
        outcome.verified = true;
        return outcome;
    }
    outcome.offset = digitsAfter(text, "offset=");
    if (outcome.offset > totalSize)
        outcome.offset = 0;
    outcome.deflate = text.find("acceptEncoding=deflate") != std::string::npos;
    return outcome;
}

BlockOutcome readBlockAnswer(const std::string& text, std::uint64_t totalSize, std::uint64_t next) {
    BlockOutcome outcome;
    if (text.find("S_OK") == std::string::npos) {
        outcome.errorText = withoutFirstLine(text);
        outcome.error = classifyBlockFailure(outcome.errorText);
        return outcome;
    }
    if (totalSize == 0) {
        outcome.verified = true;
        return outcome;
    }
    switch (readCrcVerdict(text)) {
    case CrcVerdict::Confirmed:
        outcome.verified = true;
        return outcome;
    case CrcVerdict::NoBoolean:
        outcome.error = 5;
        outcome.errorText = "upload respond crcOK has no boolean";
        return outcome;
    case CrcVerdict::Refused:
        outcome.error = 5;
        outcome.errorText = "upload respond crcOK return false";
        return outcome;
    case CrcVerdict::Absent:
        break;
    }
    const boost::optional<unsigned long long> count = readActualSize(text);
    if (!count) {
        outcome.error = 5;
        outcome.errorText = "upload respond has no actualSize";
    } else if (*count == totalSize) {
        outcome.finished = true;
    } else {
        outcome.next = *count < totalSize ? *count : next;
    }
    return outcome;
}

} // namespace nvmaild::test
