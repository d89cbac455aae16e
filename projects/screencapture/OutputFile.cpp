#include "OutputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <QFile>

bool writeNewFile(const QString& path, const QByteArray& bytes) {
    QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        ssize_t count = ::write(fd, data, static_cast<size_t>(left));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            ::close(fd);
            ::unlink(name.constData());
            return false;
        }
        data += count;
        left -= count;
    }
    if (::close(fd) != 0) {
        ::unlink(name.constData());
        return false;
    }
    return true;
}

bool looksLikePng(const QByteArray& bytes) {
    return bytes.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8));
}
