#include "DirectoryLister.h"

#include "FileDescriptor.h"
#include "NativeName.h"
#include "SystemCalls.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vambrel {

namespace {

void fillFromStat(DirEntry& entry, const struct stat& st) {
    entry.isDirectory = S_ISDIR(st.st_mode);
    entry.isSymlink = S_ISLNK(st.st_mode);
    entry.isRegular = S_ISREG(st.st_mode);
    entry.size = static_cast<qint64>(st.st_size);
    entry.mtimeSeconds = static_cast<qint64>(st.st_mtim.tv_sec);
    entry.mtimeNanoseconds = static_cast<qint32>(st.st_mtim.tv_nsec);
    entry.device = static_cast<quint64>(st.st_dev);
    entry.described = true;
}

void fillFromType(DirEntry& entry, unsigned char type, quint64 device) {
    entry.isDirectory = type == DT_DIR;
    entry.isSymlink = type == DT_LNK;
    entry.isRegular = type == DT_REG;
    entry.size = 0;
    entry.mtimeSeconds = 0;
    entry.mtimeNanoseconds = 0;
    entry.device = device;
    entry.described = false;
}

} // namespace

int OpenLongPath(const QByteArray& nativePath, int flags) {
    flags |= O_CLOEXEC;
    if (nativePath.isEmpty() || nativePath.contains('\0')) {
        errno = nativePath.isEmpty() ? ENOENT : EINVAL;
        return -1;
    }
    if (nativePath.size() < PATH_MAX) {
        const int fd = sys::open(nativePath.constData(), flags);
        if (fd >= 0 || errno != ENAMETOOLONG)
            return fd;
    }
    // Too long for one call: walk down in pieces that each fit, cut at separators. Only the
    // last piece gets the caller's flags; the others need only be searchable.
    QByteArray path = nativePath;
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    const qsizetype size = path.size();
    FileDescriptor base;
    qsizetype at = 0;
    if (path.startsWith('/')) {
        base.reset(sys::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (base.get() < 0)
            return -1;
        at = 1;
    }
    constexpr qsizetype kPiece = PATH_MAX / 2;
    for (;;) {
        const int dirFd = base.get() < 0 ? AT_FDCWD : base.get();
        qsizetype end = size;
        if (size - at > kPiece) {
            end = path.lastIndexOf('/', at + kPiece);
            if (end <= at) // one name longer than a piece: the system will refuse it
                end = path.indexOf('/', at);
            if (end < 0)
                end = size;
        }
        QByteArray piece = path.mid(at, end - at);
        if (piece.isEmpty())
            piece = QByteArrayLiteral(".");
        if (end >= size)
            return sys::openat(dirFd, piece.constData(), flags);
        const int next = sys::openat(dirFd, piece.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (next < 0)
            return -1;
        base.reset(next);
        at = end + 1;
    }
}

DirectoryLister::~DirectoryLister() {
    close();
}

void DirectoryLister::close() {
    if (m_fd >= 0) {
        sys::close(m_fd);
        m_fd = -1;
    }
    m_filled = m_at = 0;
}

int DirectoryLister::descriptor() const {
    return m_fd;
}

// Looked up when first asked for: most listings never need it.
quint64 DirectoryLister::device() const {
    if (!m_deviceKnown && m_fd >= 0) {
        struct stat st {};
        if (sys::fstat(m_fd, &st) == 0)
            m_device = static_cast<quint64>(st.st_dev);
        m_deviceKnown = true;
    }
    return m_device;
}

namespace {
constexpr size_t kBufferSize = 32 * 1024;
}

bool DirectoryLister::fill() {
    if (!m_buffer)
        m_buffer = std::make_unique<char[]>(kBufferSize);
    for (;;) {
        const ssize_t n = sys::getdents64(m_fd, m_buffer.get(), kBufferSize);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = n < 0 ? errno : 0;
            m_filled = m_at = 0;
            return false;
        }
        m_filled = size_t(n);
        m_at = 0;
        return true;
    }
}

bool DirectoryLister::open(const QString& folder, const QString& pattern, LinkRule links) {
    close();
    m_error = 0;
    m_device = 0;
    m_deviceKnown = false;
    int flags = O_RDONLY | O_DIRECTORY;
    if (links == LinkRule::NoFollow)
        flags |= O_NOFOLLOW;
    FileDescriptor fd(OpenLongPath(PathToNative(folder), flags));
    if (fd.get() < 0) {
        m_error = errno;
        return false;
    }
    m_fd = fd.release();
    m_filled = m_at = 0;
    m_pattern.emplace(pattern);
    return true;
}

bool DirectoryLister::nextName(std::string_view& name, unsigned char& type) {
    if (m_fd < 0)
        return false;
    for (;;) {
        if (m_at >= m_filled && !fill())
            return false;
        const auto* d = reinterpret_cast<const dirent64*>(m_buffer.get() + m_at);
        if (d->d_reclen <= offsetof(dirent64, d_name) || d->d_reclen > m_filled - m_at) {
            m_error = EIO;
            m_filled = m_at = 0;
            return false;
        }
        m_at += d->d_reclen;
        const char* n = d->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0')))
            continue;
        if (m_skipDotNames && n[0] == '.')
            continue;
        if (m_foldersOnly && d->d_type != DT_DIR && d->d_type != DT_UNKNOWN)
            continue;
        // The record's length bounds the name even if the kernel's terminator were missing.
        const size_t room = d->d_reclen - offsetof(dirent64, d_name);
        const size_t length = strnlen(n, room);
        if (!m_pattern->matchesAll()) {
            NameFromNativeInto(m_decoded, n, length);
            if (!m_pattern->matches(m_decoded))
                continue;
        }
        name = std::string_view(n, length);
        type = d->d_type;
        return true;
    }
}

bool DirectoryLister::next(DirEntry& entry) {
    std::string_view name;
    unsigned char type = DT_UNKNOWN;
    while (nextName(name, type)) {
        // nextName decoded the name already when it had a pattern to match.
        if (m_pattern->matchesAll())
            NameFromNativeInto(entry.name, name.data(), name.size());
        else
            entry.name = m_decoded;
        // The kernel ends every name with a zero byte inside its record.
        struct stat st {};
        if (m_typesOnly && type != DT_UNKNOWN) {
            fillFromType(entry, type, device());
        } else if (sys::fstatat(m_fd, name.data(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            fillFromStat(entry, st);
        } else {
            if (errno == ENOENT)
                continue; // gone since the folder was read
            // Named but not describable (a folder readable but not searchable): what the
            // folder itself says, and nothing more.
            fillFromType(entry, type, device());
        }
        if (m_foldersOnly && !entry.isDirectory)
            continue;
        entry.nativeName.resize(qsizetype(name.size()));
        std::memcpy(entry.nativeName.data(), name.data(), name.size());
        return true;
    }
    return false;
}

} // namespace vambrel
