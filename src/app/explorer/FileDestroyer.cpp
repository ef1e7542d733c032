#include "FileDestroyer.h"

#include "NativeName.h"
#include "PathSyntax.h"

#include <QByteArray>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vambrel {

namespace {

// Closes a descriptor on every way out unless released.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now; the errno value of a failed close, else 0.
    int close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

bool renameNoReplace(const QString& from, const QString& to) {
    return ::renameat2(AT_FDCWD, PathToNative(from).constData(), AT_FDCWD, PathToNative(to).constData(),
                       RENAME_NOREPLACE) == 0;
}

constexpr qint64 kBlock = 1 << 20;

} // namespace

FileDestroyer::FileDestroyer() : m_rename(renameNoReplace) {}

QString FileDestroyer::LetterName(const QString& name, QChar letter) {
    QString out = name;
    for (QChar& c : out)
        if (c != QLatin1Char('.'))
            c = letter;
    return out;
}

QString FileDestroyer::FailureCause(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case ETXTBSY:
        return QStringLiteral("Accès refusé.");
    // The medium is not there or not usable as it is.
    case EROFS:
    case EIO:
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
    case ESTALE:
        return QStringLiteral("Non accédé.");
    default:
        return {};
    }
}

QString FileDestroyer::FailureMessage(const QString& path, int error) {
    QString text = QStringLiteral("Impossible de détruire le fichier\n") + DisplayName(path);
    const QString cause = FailureCause(error);
    if (!cause.isEmpty())
        text += QLatin1Char('\n') + cause;
    return text;
}

QString FileDestroyer::SizeMessage(const QString& path) {
    return QStringLiteral("Impossible de détruire le fichier\n") + DisplayName(path) +
           QStringLiteral("\nSa taille excède les capacités du programme.");
}

bool FileDestroyer::IsSystem(const QString& path, const struct stat& info) {
    if (info.st_uid == ::geteuid())
        return false;
    return ::faccessat(AT_FDCWD, PathToNative(path).constData(), W_OK, AT_EACCESS) != 0;
}

int FileDestroyer::overwrite(int fd, qint64 size, const QString& path) {
    QByteArray block(int(std::min(size, kBlock)), '\0');
    for (int pass = 1; pass <= kPasses; ++pass) {
        block.fill(char(pass));
        for (qint64 done = 0; done < size;) {
            const qint64 want = std::min<qint64>(size - done, block.size());
            const ssize_t put = ::pwrite(fd, block.constData(), size_t(want), off_t(done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (put == 0)
                return EIO;
            done += put;
        }
        if (::fsync(fd) != 0)
            return errno;
        if (m_afterPass)
            m_afterPass(path, pass);
    }
    return 0;
}

FileDestroyer::Result FileDestroyer::Destroy(const QString& folder, const QString& name) {
    const QString path = JoinPath(folder, name);
    const QByteArray native = PathToNative(path);
    struct stat info {};
    if (name.isEmpty() || ::lstat(native.constData(), &info) != 0)
        return {};
    if (S_ISDIR(info.st_mode))
        return {false, FailureMessage(path, 0)};
    if (!S_ISREG(info.st_mode)) {
        // Links, FIFOs, sockets and devices: the entry goes, whatever it points to stays.
        return {::unlink(native.constData()) == 0, {}};
    }
    if (qint64(info.st_size) >= kSizeLimit)
        return {false, SizeMessage(path)};
    if (IsSystem(path, info))
        return {m_deleteSystem && m_deleteSystem(path), {}};

    if (!(info.st_mode & S_IWUSR)) {
        const mode_t mode = (info.st_mode & 07777) | S_IWUSR;
        if (::fchmodat(AT_FDCWD, native.constData(), mode, AT_SYMLINK_NOFOLLOW) != 0)
            return {false, FailureMessage(path, errno)};
    }
    Descriptor file(::open(native.constData(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0)
        return {false, FailureMessage(path, errno)};
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0)
        return {false, FailureMessage(path, errno)};
    // Something else put under the name since it was looked at: not ours to overwrite.
    if (!S_ISREG(opened.st_mode) || opened.st_dev != info.st_dev || opened.st_ino != info.st_ino)
        return {false, FailureMessage(path, 0)};
    if (qint64(opened.st_size) >= kSizeLimit)
        return {false, SizeMessage(path)};
    const auto passes = [&] { return overwrite(file.get(), qint64(opened.st_size), path); };
    if (const int error = m_runPasses ? m_runPasses(passes) : passes()) {
        file.close();
        return {false, FailureMessage(path, error)};
    }
    if (const int error = file.close())
        return {false, FailureMessage(path, error)};

    QString current = name;
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
        const QString next = LetterName(current, QChar(letter));
        if (next != current && m_rename && m_rename(JoinPath(folder, current), JoinPath(folder, next)))
            current = next;
    }
    return {::unlink(PathToNative(JoinPath(folder, current)).constData()) == 0, {}};
}

} // namespace vambrel
