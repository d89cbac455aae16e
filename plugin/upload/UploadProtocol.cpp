#include "plugin/upload/UploadProtocol.h"

#include "plugin/download/TCompress.h"
#include "plugin/upload/UploadAnswers.h"
#include "plugin/upload/UploadErrors.h"
#include "src/ScriptingCore/URI.h"

namespace {

// The server files a net-folder upload under the id it gave; "-1" asks for a new one.
std::string attachIdField(const std::string& attachId) {
    return attachId.empty() ? "-1" : attachId;
}

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

BlockStep failure(const std::string& text) {
    BlockStep step;
    step.error = UploadErrors::ERR_NETWORK;
    step.errorText = text;
    return step;
}

BlockStep ending(NextStep next) {
    BlockStep step;
    step.next = next;
    return step;
}

} // namespace

QueryRequest buildQuery(const QueryForm& form) {
    std::string name = form.path;
    if (!form.keepFullPath && name.find('/') != std::string::npos) {
        name = name.substr(name.rfind('/') + 1);
    }
    QueryRequest request;
    request.url = form.queryUrl + form.extArg;
    addPostData(request.body, "fileName", name);
    addPostData(request.body, "size", std::to_string(form.size));
    addPostData(request.body, "crc", form.crc);
    addPostData(request.body, "attachId", attachIdField(form.attachId));
    if (form.netfolder) {
        addPostData(request.body, "crc2", form.crc2);
    }
    addPostData(request.body, "display", form.display);
    return request;
}

BlockRequest buildBlockRequest(const BlockTarget& target, unsigned long long offset,
                               std::string& block) {
    FB::URI url(target.uploadUrl + target.extArg);
    url.addQueryData("offset", std::to_string(offset));
    url.addQueryData("attachId", attachIdField(target.attachId));
    if (target.compress != 0 && TCompress::compress(static_cast<int>(target.compress), block)) {
        url.addQueryData("contentEncoding", "deflate");
    }
    BlockRequest request;
    request.url = url.toString(true);
    request.headers = target.npapi ? "Content-Type: application/octet-stream\nContent-Length: " +
                                         std::to_string(block.size())
                                   : "Content-Type: application/octet-stream\r\n";
    return request;
}

QueryStep readQueryAnswer(bool delivered, const std::string& text, unsigned long long total) {
    QueryStep step;
    if (!delivered) {
        step.error = UploadErrors::ERR_NETWORK;
        step.errorText = "query net error";
        return step;
    }
    if (!contains(text, "S_OK")) {
        step.error = classifyQueryFailure(text);
        step.errorText = text;
        return step;
    }
    step.attachId = findAttachId(text);
    if (contains(text, "crcOK=1")) {
        step.next = NextStep::Verified;
        return step;
    }
    step.next = NextStep::Send;
    step.offset = digitsAfter(text, "offset=");
    if (step.offset > total) {
        step.offset = 0;
    }
    step.deflate = contains(text, "acceptEncoding=deflate");
    return step;
}

BlockStep readBlockAnswer(bool delivered, const std::string& text, unsigned long long total,
                          unsigned long long sentEnd) {
    if (!delivered) {
        return failure("upload net error");
    }
    if (!contains(text, "S_OK")) {
        BlockStep step;
        step.errorText = withoutFirstLine(text);
        step.error = classifyBlockFailure(step.errorText);
        return step;
    }
    if (total == 0) {
        return ending(NextStep::Verified);
    }
    switch (readCrcVerdict(text)) {
    case CrcVerdict::Confirmed:
        return ending(NextStep::Verified);
    case CrcVerdict::NoBoolean:
        return failure("upload respond crcOK has no boolean");
    case CrcVerdict::Refused:
        return failure("upload respond crcOK return false");
    case CrcVerdict::Absent:
        break;
    }
    boost::optional<unsigned long long> stored = readActualSize(text);
    if (!stored) {
        return failure("upload respond has no actualSize");
    }
    if (*stored == total) {
        return ending(NextStep::Finished);
    }
    // The server decides where the next block starts, so a block it stored only in part is sent
    // again from where it stopped; a count past the end is not believed.
    BlockStep step = ending(NextStep::Send);
    step.offset = *stored < total ? *stored : sentEnd;
    return step;
}
