#include "plugin/upload/TMyFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "src/ScriptingCore/utf8_tools.h"

namespace {

// Descriptor 0 means "not open", so a descriptor that lands on 0 (stdin closed in the host
// process) is moved to a higher number.
int keepAwayFromZero(int fd) {
    if (fd != 0) {
        return fd;
    }
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 1);
    int saved = errno;
    ::close(fd);
    errno = saved;
    return moved;
}

int openNative(const std::wstring& wide, int flags) {
    std::string native;
    if (!TMyFile::toNative(wide, native)) {
        return -1;
    }
    int fd;
    do {
        fd = ::open(native.c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? fd : keepAwayFromZero(fd);
}

} // namespace

bool TMyFile::open() {
    if (fd != 0) {
        return true;
    }
    int opened = openNative(path, O_RDONLY);
    if (opened < 0) {
        return false;
    }
    fd = opened;
    return true;
}

bool TMyFile::offset(unsigned long long position) {
    if (!open()) {
        return false;
    }
    return lseek(fd, static_cast<off_t>(position), SEEK_SET) != static_cast<off_t>(-1);
}

unsigned long TMyFile::read(void* buffer, unsigned long length) {
    if (!open()) {
        return 0;
    }
    ssize_t count;
    do {
        count = ::read(fd, buffer, length);
    } while (count < 0 && errno == EINTR);
    return count < 0 ? 0 : static_cast<unsigned long>(count);
}

unsigned long long TMyFile::size() {
    if (!open()) {
        return 0;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) {
        return 0;
    }
    return static_cast<unsigned long long>(info.st_size);
}

void TMyFile::close() {
    if (fd != 0) {
        ::close(fd);
        fd = 0;
    }
}

bool TMyFile::create() {
    close();
    int opened = openNative(path, O_WRONLY | O_CREAT | O_TRUNC);
    if (opened < 0) {
        return false;
    }
    fd = opened;
    return true;
}

bool TMyFile::openToAppend(unsigned long long& held) {
    close();
    int opened = openNative(path, O_WRONLY | O_CREAT | O_APPEND);
    if (opened < 0) {
        return false;
    }
    fd = opened;
    struct stat info;
    if (fstat(fd, &info) != 0) {
        close();
        return false;
    }
    held = static_cast<unsigned long long>(info.st_size);
    return true;
}

bool TMyFile::write(const void* data, unsigned long length) {
    if (fd == 0) {
        errno = EBADF;
        return false;
    }
    auto* next = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t count = ::write(fd, next, length);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            // A file that takes nothing yet reports no error has no room left.
            if (count == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        next += count;
        length -= static_cast<unsigned long>(count);
    }
    return true;
}

bool TMyFile::rename(const std::wstring& from, const std::wstring& to) {
    std::string nativeFrom;
    std::string nativeTo;
    return toNative(from, nativeFrom) && toNative(to, nativeTo) &&
           ::rename(nativeFrom.c_str(), nativeTo.c_str()) == 0;
}

bool TMyFile::remove(const std::wstring& target) {
    std::string native;
    return toNative(target, native) && unlink(native.c_str()) == 0;
}

std::wstring TMyFile::mktemp(const std::wstring& prefix, bool makeDir) {
    std::string directory = "/tmp/";
    if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir && *tmpdir) {
        directory = tmpdir;
    }
    // Linux leaves the separator off TMPDIR; without it the name would land beside the folder.
    if (directory.back() != '/') {
        directory += '/';
    }
    std::string nativePrefix;
    if (!toNative(prefix, nativePrefix)) {
        return std::wstring();
    }
    std::string pattern = directory + nativePrefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (makeDir) {
        // mkdtemp makes the folder in one step, so no other process can take the name between.
        if (!mkdtemp(name.data())) {
            return std::wstring();
        }
        return FB::utf8_to_wstring(std::string(name.data()) + "/");
    }
    int fd = mkstemp(name.data());
    if (fd < 0) {
        return std::wstring();
    }
    ::close(fd);
    unlink(name.data());
    return FB::utf8_to_wstring(name.data());
}

bool TMyFile::checkAndMkdir(std::wstring& dirPath) {
    std::string native;
    if (!toNative(dirPath, native)) {
        return false;
    }
    if (mkdir(native.c_str(), 0777) != 0) {
        if (errno != EEXIST) {
            return false;
        }
        struct stat info;
        if (stat(native.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            errno = ENOTDIR;
            return false;
        }
    }
    if (dirPath.empty() || dirPath.back() != L'/') {
        dirPath += L'/';
    }
    return true;
}

std::string TMyFile::getError() {
    int error = errno;
    return "(" + std::to_string(static_cast<unsigned>(error)) + ")" + std::strerror(error);
}

bool TMyFile::toNative(const std::wstring& wide, std::string& native) {
    try {
        native = FB::wstring_to_utf8(wide);
        return true;
    } catch (const std::exception&) {
        errno = EILSEQ;
        return false;
    }
}
