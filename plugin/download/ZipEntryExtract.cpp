#include "plugin/download/ZipEntryExtract.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <new>
#include <unistd.h>

#include "plugin/download/TFolderMap.h"
#include "plugin/download/ZipEntryName.h"
#include "plugin/upload/TMyFile.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace {

constexpr unsigned long kMinBuffer = 8192;
constexpr unsigned long kMaxBuffer = 10 * 1024 * 1024;
// Names are cut to what fits a 256-byte buffer with its terminating 0.
constexpr unsigned long kNameBuffer = 256;
// General purpose flag bit 11: the name is UTF-8, whatever the caller expects.
constexpr unsigned long kUtf8NameFlag = 1u << 11;
constexpr unsigned long kEncryptedFlag = 1u << 0;

// The caller only sees errno; a failure must never leave it at 0 or at some earlier call's value.
int systemError(int fallback = EIO) {
    if (errno == 0) {
        errno = fallback;
    }
    return errno;
}

// minizip's codes are not system error numbers: describe them through errno as damaged data,
// unless the file layer below minizip left a real one (UNZ_ERRNO after errno was cleared).
int archiveError(int code) {
    if (code != UNZ_ERRNO || errno == 0) {
        errno = EBADMSG;
    }
    return code;
}

int openLocalFile(const std::wstring& path) {
    std::string native;
    try {
        native = FB::wstring_to_utf8(path);
    } catch (const std::exception&) {
        errno = EILSEQ;
        return -1;
    }
    int fd;
    do {
        // O_NOFOLLOW: a link already sitting in the destination must not carry the data elsewhere.
        fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// A short write is not the end: the rest follows until all is written or the system says why not.
bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = EIO;
            }
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// The local path of a file entry, creating its folder on the way. 0 or a system error number.
int localFilePath(const std::wstring& dest, const ZipEntryName& name, const std::string& charset,
                  TFolderMap& folders, std::wstring& path) {
    std::wstring file;
    if (!makeLocalName(name.file, charset, file)) {
        return systemError();
    }
    if (!name.inFolder) {
        path = dest + file;
        return 0;
    }
    std::wstring folder;
    if (!makeLocalName(name.folder, charset, folder)) {
        return systemError();
    }
    std::wstring local = folders.findFolder(dest + folder);
    if (!TMyFile::checkAndMkdir(local)) {
        return systemError();
    }
    path = local + file;
    return 0;
}

int makeFolderEntry(const std::wstring& dest, const ZipEntryName& name, const std::string& charset,
                    TFolderMap& folders) {
    std::wstring folder;
    if (!makeLocalName(name.folder, charset, folder)) {
        return systemError();
    }
    std::wstring local = folders.findFolder(dest + folder);
    return TMyFile::checkAndMkdir(local) ? 0 : systemError();
}

// Copies the open entry into fd. 0, a minizip error or a system error number.
int copyEntry(unzFile archive, int fd, char* buffer, unsigned long bufferSize,
              unsigned long long expectedSize) {
    unsigned long long copied = 0;
    for (;;) {
        errno = 0;
        int count = unzReadCurrentFile(archive, buffer, static_cast<unsigned>(bufferSize));
        if (count < 0) {
            return archiveError(count);
        }
        if (count == 0) {
            break;
        }
        if (!writeAll(fd, buffer, static_cast<size_t>(count))) {
            return systemError();
        }
        copied += static_cast<unsigned long long>(count);
    }
    // minizip checks the CRC only of an entry read to its declared end; data that stops early
    // (a stored entry cut short, a deflate stream that ends too soon) would otherwise pass.
    if (copied != expectedSize) {
        return archiveError(UNZ_BADZIPFILE);
    }
    return 0;
}

} // namespace

unsigned long extractBufferSize(unsigned long requested) {
    if (requested < kMinBuffer) {
        return kMinBuffer;
    }
    return requested > kMaxBuffer ? kMaxBuffer : requested;
}

int do_extract_currentfile(const std::wstring& dest, unzFile archive, unsigned long bufferSize,
                           const std::string& charset, TFolderMap& folders) {
    if (dest.empty()) {
        errno = EINVAL;
        return EINVAL;
    }
    unz_file_info64 info;
    char rawName[kNameBuffer];
    errno = 0;
    int result =
        unzGetCurrentFileInfo64(archive, &info, rawName, sizeof rawName, nullptr, 0, nullptr, 0);
    if (result != UNZ_OK) {
        return archiveError(result);
    }
    // minizip leaves the buffer unterminated when the name fills it.
    std::string name(rawName,
                     info.size_filename < kNameBuffer ? info.size_filename : kNameBuffer - 1);
    // The system would end the name at the NUL and write to a name the archive never gave.
    if (name.find('\0') != std::string::npos) {
        errno = EINVAL;
        return EINVAL;
    }
    // Without a password minizip would hand out the ciphertext as if it were the content.
    if (info.flag & kEncryptedFlag) {
        errno = ENOTSUP;
        return ENOTSUP;
    }
    std::wstring folder = dest.back() == L'/' ? dest : dest + L'/';
    std::string nameCharset = (info.flag & kUtf8NameFlag) ? std::string("utf-8") : charset;

    ZipEntryName parts = ZipEntryName::split(name);
    if (parts.file.empty()) {
        return makeFolderEntry(folder, parts, nameCharset, folders);
    }
    unsigned long size = extractBufferSize(bufferSize);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
    if (!buffer) {
        errno = ENOMEM;
        return UNZ_INTERNALERROR;
    }
    std::wstring path;
    result = localFilePath(folder, parts, nameCharset, folders, path);
    if (result != 0) {
        return result;
    }
    errno = 0;
    result = unzOpenCurrentFilePassword(archive, nullptr);
    if (result != UNZ_OK) {
        return archiveError(result);
    }
    int fd = openLocalFile(path);
    if (fd < 0) {
        int error = systemError();
        unzCloseCurrentFile(archive);
        errno = error;
        return UNZ_INTERNALERROR;
    }
    result = copyEntry(archive, fd, buffer.get(), size, info.uncompressed_size);
    int error = errno;
    // close reports what delayed writes could not store (a full disk on a network file system).
    if (::close(fd) != 0 && result == 0) {
        result = systemError();
        error = errno;
    }
    int closed = unzCloseCurrentFile(archive);
    if (result != 0) {
        errno = error;
        return result;
    }
    return closed == UNZ_OK ? 0 : archiveError(closed);
}
