#include "tests/tools/nvmaild/PluginAnswers.h"

namespace nvmaild::test {

namespace {

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

std::uint64_t digitsAt(const std::string& text, size_t at) {
    std::uint64_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9')
        value = value * 10 + static_cast<std::uint64_t>(text[at++] - '0');
    return value;
}

} // namespace

QueryOutcome readQueryAnswer(const std::string& text, std::uint64_t totalSize) {
    QueryOutcome outcome;
    if (!contains(text, "S_OK")) {
        outcome.error = contains(text, "compose_not_found")     ? 6
                        : contains(text, "file_count_overflow") ? 7
                        : contains(text, "overflow")            ? 8
                                                                : 9;
        outcome.errorText = text;
        return outcome;
    }
    const size_t attid = text.find("attid=");
    if (attid != std::string::npos) {
        const size_t start = attid + 6;
        const size_t end = text.find_first_of(" \t\r\n", start);
        outcome.attachId = text.substr(start, end == std::string::npos ? end : end - start);
    }
    if (contains(text, "crcOK=1")) {
        outcome.verified = true;
        return outcome;
    }
    const size_t offset = text.find("offset=");
    if (offset != std::string::npos)
        outcome.offset = digitsAt(text, offset + 7);
    if (outcome.offset > totalSize)
        outcome.offset = 0;
    outcome.deflate = contains(text, "acceptEncoding=deflate");
    return outcome;
}

BlockOutcome readBlockAnswer(const std::string& text, std::uint64_t totalSize, std::uint64_t next) {
    BlockOutcome outcome;
    if (!contains(text, "S_OK")) {
        std::string rest = text;
        const size_t first = rest.find_first_not_of(" \t\r\n");
        const size_t lineEnd = rest.find('\n', first == std::string::npos ? rest.size() : first);
        if (lineEnd != std::string::npos)
            rest = rest.substr(lineEnd + 1);
        outcome.error = contains(rest, "FA_COMPOSE_NOT_FOUND")      ? 6
                        : contains(rest, "FA_UPLOAD_SIZE_EXCEEDED") ? 8
                                                                    : 9;
        outcome.errorText = rest;
        return outcome;
    }
    if (totalSize == 0) {
        outcome.verified = true;
        return outcome;
    }
    const size_t crcOk = text.find("crcOK");
    if (crcOk != std::string::npos) {
        const size_t boolean = text.find("boolean", crcOk + 5);
        if (boolean == std::string::npos) {
            outcome.error = 5;
            outcome.errorText = "upload respond crcOK has no boolean";
        } else if (text.substr(crcOk, boolean - crcOk).find("true") != std::string::npos) {
            outcome.verified = true;
        } else {
            outcome.error = 5;
            outcome.errorText = "upload respond crcOK return false";
        }
        return outcome;
    }
    const size_t actualSize = text.find("actualSize");
    const size_t greater =
        actualSize == std::string::npos ? actualSize : text.find('>', actualSize + 10);
    const size_t less = greater == std::string::npos ? greater : text.find('<', greater);
    if (less == std::string::npos) {
        outcome.error = 5;
        outcome.errorText = "upload respond has no actualSize";
        return outcome;
    }
    const std::uint64_t count = digitsAt(text, greater + 1);
    if (count == totalSize)
        outcome.finished = true;
    else
        outcome.next = count < totalSize ? count : next;
    return outcome;
}

} // namespace nvmaild::test
