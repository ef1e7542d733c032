#include "ListExport.h"

#include "NativeName.h"
#include "SystemCalls.h"

#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vambrel {

namespace {

// The temporary file until it is renamed: closed and removed on every other way out.
class PendingFile {
public:
    explicit PendingFile(QByteArray pattern) : m_path(std::move(pattern)) {
        m_fd = sys::mkostemp(m_path.data(), 0);
        if (m_fd < 0)
            m_path.clear();
    }
    ~PendingFile() {
        if (m_fd >= 0)
            sys::close(m_fd);
        if (!m_path.isEmpty())
            sys::unlink(m_path.constData());
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    bool closeFile() {
        const int fd = m_fd;
        m_fd = -1;
        return sys::close(fd) == 0;
    }
    bool renameTo(const QByteArray& target) {
        if (sys::rename(m_path.constData(), target.constData()) != 0)
            return false;
        m_path.clear();
        return true;
    }

private:
    QByteArray m_path;
    int m_fd = -1;
};

bool writeAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = sys::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

QString ListExport::causeText(int error) {
    switch (error) {
    case ENOSPC:
        return QStringLiteral("le disque est plein");
    case EDQUOT:
        return QStringLiteral("le quota du disque est dépassé");
    case EACCES:
    case EPERM:
        return QStringLiteral("l'accès au dossier est refusé");
    case EROFS:
        return QStringLiteral("le support est en lecture seule");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("le dossier n'existe pas");
    case EISDIR:
        return QStringLiteral("un dossier porte ce nom");
    case EIO:
        return QStringLiteral("erreur d'entrée-sortie");
    default:
        return QStringLiteral("erreur système %1 (%2)")
            .arg(error)
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

QString ListExport::write(const QString& path, const QStringList& headerLines, qint64 count,
                          const Entry& entry) {
    const auto failure = [&path](int error) {
        return QStringLiteral("Impossible d'écrire le fichier %1 : %2.")
            .arg(DisplayName(path), causeText(error));
    };
    const QByteArray target = PathToNative(path);
    const QFileInfo info(path);
    if (info.isDir())
        return failure(EISDIR);
    PendingFile file(PathToNative(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                                  QStringLiteral(".XXXXXX")));
    if (!file.isOpen())
        return failure(errno);
    // The file gets the usual permissions of a new file, not mkstemp's private ones.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(file.fd(), 0666 & ~mask);

    QByteArray buffer;
    constexpr qsizetype kFlushAt = 1 << 20;
    buffer.reserve(kFlushAt + 4096);
    const auto flush = [&] {
        const bool ok = writeAll(file.fd(), buffer.constData(), buffer.size());
        buffer.clear();
        return ok;
    };
    for (const QString& line : headerLines) {
        buffer += line.toUtf8();
        buffer += '\n';
    }
    for (qint64 i = 0; i < count; ++i) {
        buffer += entry(i);
        buffer += '\n';
        if (buffer.size() >= kFlushAt && !flush())
            return failure(errno);
    }
    if (!flush() || sys::fsync(file.fd()) != 0)
        return failure(errno);
    if (!file.closeFile())
        return failure(errno);
    if (!file.renameTo(target))
        return failure(errno);
    return {};
}

} // namespace vambrel
