#include "tests/tools/nvmaild/PluginProtocol.h"

#include "plugin/upload/UploadAnswers.h"
#include "plugin/upload/UploadProtocol.h"
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
    const QueryStep step = ::readQueryAnswer(true, text, totalSize);
    QueryOutcome outcome;
    outcome.error = step.error;
    outcome.errorText = step.errorText;
    outcome.attachId = step.attachId.value_or("");
    outcome.verified = step.next == NextStep::Verified;
    outcome.offset = step.offset;
    outcome.deflate = step.deflate;
    return outcome;
}

BlockOutcome readBlockAnswer(const std::string& text, std::uint64_t totalSize, std::uint64_t next) {
    const BlockStep step = ::readBlockAnswer(true, text, totalSize, next);
    BlockOutcome outcome;
    outcome.error = step.error;
    outcome.errorText = step.errorText;
    outcome.verified = step.next == NextStep::Verified;
    outcome.finished = step.next == NextStep::Finished;
    outcome.next = step.next == NextStep::Send ? step.offset : 0;
    return outcome;
}

} // namespace nvmaild::test
