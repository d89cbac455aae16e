#include "plugin/upload/UploadAnswers.h"

#include <climits>

#include "plugin/upload/UploadErrors.h"
#include "src/ScriptingCore/URI.h"

namespace {

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

unsigned long long parseDigits(const std::string& text, size_t position) {
    unsigned long long value = 0;
    for (; position < text.size() && text[position] >= '0' && text[position] <= '9'; ++position) {
        unsigned digit = static_cast<unsigned>(text[position] - '0');
        if (value > (ULLONG_MAX - digit) / 10) {
            return ULLONG_MAX;
        }
        value = value * 10 + digit;
    }
    return value;
}

} // namespace

void addPostData(std::string& body, const std::string& key, const std::string& value) {
    if (!body.empty()) {
        body += "&";
    }
    body += FB::URI::url_encode(key) + "=" + FB::URI::url_encode(value);
}

int classifyQueryFailure(const std::string& text) {
    if (contains(text, "compose_not_found")) {
        return UploadErrors::ERR_COMPOSE_NOT_FOUND;
    }
    if (contains(text, "file_count_overflow")) {
        return UploadErrors::ERR_FILE_COUNT_OVERFLOW;
    }
    if (contains(text, "overflow")) {
        return UploadErrors::ERR_OVERFLOW;
    }
    return UploadErrors::ERR_SERVER;
}

int classifyBlockFailure(const std::string& text) {
    if (contains(text, "FA_COMPOSE_NOT_FOUND")) {
        return UploadErrors::ERR_COMPOSE_NOT_FOUND;
    }
    if (contains(text, "FA_UPLOAD_SIZE_EXCEEDED")) {
        return UploadErrors::ERR_OVERFLOW;
    }
    return UploadErrors::ERR_SERVER;
}

std::string withoutFirstLine(const std::string& text) {
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) {
        return std::string();
    }
    size_t lineEnd = text.find('\n', start);
    return lineEnd == std::string::npos ? text.substr(start) : text.substr(lineEnd + 1);
}

boost::optional<std::string> findAttachId(const std::string& text) {
    size_t start = text.find("attid=");
    if (start == std::string::npos) {
        return boost::none;
    }
    start += 6;
    size_t end = text.find_first_of(" \t\r\n", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

unsigned long long digitsAfter(const std::string& text, const std::string& key) {
    size_t start = text.find(key);
    return start == std::string::npos ? 0 : parseDigits(text, start + key.size());
}

CrcVerdict readCrcVerdict(const std::string& text) {
    size_t start = text.find("crcOK");
    if (start == std::string::npos) {
        return CrcVerdict::Absent;
    }
    size_t boolean = text.find("boolean", start + 5);
    if (boolean == std::string::npos) {
        return CrcVerdict::NoBoolean;
    }
    return text.substr(start, boolean - start).find("true") != std::string::npos
               ? CrcVerdict::Confirmed
               : CrcVerdict::Refused;
}

boost::optional<unsigned long long> readActualSize(const std::string& text) {
    size_t name = text.find("actualSize");
    if (name == std::string::npos) {
        return boost::none;
    }
    size_t open = text.find('>', name + 10);
    if (open == std::string::npos || text.find('<', open) == std::string::npos) {
        return boost::none;
    }
    return parseDigits(text, open + 1);
}
