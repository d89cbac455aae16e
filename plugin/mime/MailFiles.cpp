#include "plugin/mime/MailFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "plugin/platform/Charsets.h"
#include "plugin/upload/TMyFile.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace MailFiles {

namespace {

// A temporary name that another user took between our choice and our open is simply skipped.
constexpr int kTemporaryAttempts = 16;

} // namespace

std::string finalComponent(const std::string& name) {
    const size_t slash = name.rfind('/');
    std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    return last == "." || last == ".." ? std::string() : last;
}

std::wstring wideName(const std::string& name) {
    try {
        return FB::utf8_to_wstring(name);
    } catch (const std::exception&) {
    }
    std::wstring wide;
    gbk2wstring(name, wide);
    return wide;
}

int createFile(const std::wstring& path, bool exclusive) {
    std::string native;
    if (!TMyFile::toNative(path, native)) {
        return -1;
    }
    // O_NOFOLLOW with O_EXCL refuses a planted link even where it dangles.
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL | O_NOFOLLOW : O_TRUNC);
    int fd;
    do {
        fd = ::open(native.c_str(), flags, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int createTemporaryFile(const std::wstring& suffix, std::wstring& path) {
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        // mktemp's name is unique only without the suffix, so the suffixed one is opened
        // exclusively and a taken one tried again.
        const std::wstring name = TMyFile::mktemp(L"Mime", false);
        if (name.empty()) {
            break;
        }
        const int fd = createFile(name + suffix, true);
        if (fd >= 0) {
            path = name + suffix;
            return fd;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    path.clear();
    return -1;
}

void removeFile(const std::wstring& path) {
    const int saved = errno;
    std::string native;
    if (TMyFile::toNative(path, native)) {
        ::unlink(native.c_str());
    }
    errno = saved;
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool readWholeFile(const std::wstring& path, FileData& data) {
    data = FileData();
    TMyFile file(path);
    if (!file.open()) {
        return true;
    }
    const unsigned long long size = file.size();
    if (size > static_cast<unsigned long long>(kMaxAttachmentSize)) {
        errno = EFBIG;
        return false;
    }
    // Not zero-filled: every byte is either read or cut off below.
    std::unique_ptr<char[]> bytes(new char[size + 1]);
    size_t filled = 0;
    while (filled < size) {
        errno = 0;
        const unsigned long count = file.read(bytes.get() + filled, size - filled);
        if (count == 0) {
            if (errno != 0) {
                return false;
            }
            break; // the file shrank while we read it
        }
        filled += count;
    }
    bytes[filled] = '\0';
    data.bytes = std::move(bytes);
    data.size = filled;
    return true;
}

} // namespace MailFiles
