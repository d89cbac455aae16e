#include "plugin/mime/TMime.h"

#include <cerrno>
#include <unistd.h>

#include "plugin/mime/MailFiles.h"
#include "plugin/platform/Dialogs.h"
#include "plugin/platform/OpenFile.h"
#include "plugin/upload/TMyFile.h"

namespace {

// Closes the descriptor on every path out, keeping errno for the error that follows.
class FileCloser {
public:
    explicit FileCloser(int fd) : m_fd(fd) {}
    ~FileCloser() {
        const int saved = errno;
        ::close(m_fd);
        errno = saved;
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    int m_fd;
};

} // namespace

bool TMime::saveToFile(const CMimeBody& part, int fd, bool contentOnly) {
    FileCloser closer(fd);
    // Content is written where it lies unless the page's read-mail function changes it:
    // attachments are large.
    const char* bytes = part.GetContent();
    size_t size = static_cast<size_t>(part.GetContentLength());
    std::string data;
    if (!contentOnly) {
        if (const int error = storeEntity(part, false, data)) {
            setError(kWriteFileError, error);
            return false;
        }
    } else if (m_readMailCallback) {
        part.GetText(data);
        checkReadAttachment(data);
        data = base64Decode(data);
    }
    if (!contentOnly || m_readMailCallback) {
        bytes = data.data();
        size = data.size();
    }
    if (!MailFiles::writeAll(fd, bytes, size)) {
        setError(kWriteFileError, errno);
        return false;
    }
    return true;
}

std::wstring TMime::saveAttachment(unsigned long index) {
    clearError();
    const CMimeBody* leaf = getBodyPartAt(index);
    if (leaf == nullptr) {
        setError(kAttachmentNotFound, errno);
        return std::wstring();
    }
    const std::wstring name = MailFiles::wideName(fileNameOf(*leaf));
    std::wstring path;
    int fd = -1;
    if (!name.empty()) {
        // A folder of our own per named attachment keeps the mail's name for the application
        // that opens it.
        const std::wstring folder = TMyFile::mktemp(L"Mime", true);
        if (!folder.empty()) {
            path = folder + name;
            fd = MailFiles::createFile(path, true);
        }
    }
    // A name longer than the file system takes is saved as a nameless part is.
    if (name.empty() || (fd < 0 && errno == ENAMETOOLONG)) {
        fd = MailFiles::createTemporaryFile(L".htm", path);
    }
    if (fd < 0) {
        setError(kTempFileNameError, errno);
        return std::wstring();
    }
    if (!saveToFile(*leaf, fd, true)) {
        MailFiles::removeFile(path);
        return std::wstring();
    }
    m_filesToDelete.push_back(path);
    return path;
}

std::wstring TMime::saveAttachmentAs(unsigned long index) {
    clearError();
    const CMimeBody* leaf = getBodyPartAt(index);
    if (leaf == nullptr) {
        setError(kAttachmentNotFound, errno);
        return std::wstring();
    }
    std::wstring path;
    if (!selectSaveFile(window(), MailFiles::wideName(fileNameOf(*leaf)), path)) {
        return std::wstring();
    }
    const int fd = MailFiles::createFile(path, false);
    if (fd < 0) {
        setError(kWriteFileError, errno);
        return std::wstring();
    }
    return saveToFile(*leaf, fd, true) ? path : std::wstring();
}

std::wstring TMime::saveBody() {
    clearError();
    std::wstring path;
    const int fd = MailFiles::createTemporaryFile(L".mht", path);
    if (fd < 0) {
        setError(kWriteFileError, errno);
        return std::wstring();
    }
    if (!saveToFile(m_message, fd, false)) {
        MailFiles::removeFile(path);
        return std::wstring();
    }
    m_filesToDelete.push_back(path);
    return path;
}

void TMime::openAttachmentInNewWindow(unsigned long index, const std::wstring& prefix,
                                      const std::wstring& suffix) {
    const std::wstring question = prefix + getAttachmentName(index) + suffix;
    if (!confirmDlg(window(), question, L"Query")) {
        return;
    }
    const std::wstring path = saveAttachment(index);
    if (!path.empty()) {
        openFileInWindow(path);
    }
}
