#include "Trash.h"

#include "CollisionName.h"
#include "FileOpTexts.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace vambrel::fileops {

namespace {

const QByteArray kInfoSuffix = QByteArrayLiteral(".trashinfo");

QByteArray parentOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray join(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// Makes `path` and its missing parents with `mode`; true when it is a folder at the end.
bool makePath(const QByteArray& path, mode_t mode) {
    struct stat st {};
    if (::stat(path.constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const QByteArray parent = parentOf(path);
    if (parent != path && parent != "/" && parent != "." && !makePath(parent, 0700))
        return false;
    return (::mkdir(path.constData(), mode) == 0 || errno == EEXIST) && ::stat(path.constData(), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

// A folder of the trash: made when missing, refused when it is a link or not a folder.
FileDescriptor openTrashFolder(int parent, const char* name) {
    if (::mkdirat(parent, name, 0700) != 0 && errno != EEXIST)
        return FileDescriptor();
    return FileDescriptor(::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// Undoes the octal escapes of a mountinfo field (\040 for a space...).
QByteArray unescapeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && digits.size() == 3 && value < 256) {
                out.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.append(field.at(i));
    }
    return out;
}

QByteArray readWholeFile(const char* path) {
    FileDescriptor fd(::open(path, O_RDONLY | O_CLOEXEC));
    QByteArray data;
    if (!fd.isValid())
        return data;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        data.append(buffer, got);
        if (data.size() > (64 << 20)) // a mount table never gets that large
            break;
    }
    return data;
}

} // namespace

QByteArray Trash::HomeTrashPath() {
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (!data.startsWith('/')) { // unset, empty or relative: the default
        QByteArray home = qgetenv("HOME");
        if (home.isEmpty())
            home = "/";
        data = join(home, ".local/share");
    }
    return join(data, "Trash");
}

QByteArray Trash::EncodePath(const QByteArray& path) {
    QByteArray out;
    out.reserve(path.size());
    static const char hex[] = "0123456789ABCDEF";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' || byte == '.' ||
                           byte == '~' || byte == '/';
        if (plain) {
            out.append(c);
        } else {
            out.append('%');
            out.append(hex[byte >> 4]);
            out.append(hex[byte & 15]);
        }
    }
    return out;
}

QByteArray Trash::TopDirOf(const QByteArray& path, dev_t device) {
    QByteArray best;
    const QByteArray table = readWholeFile("/proc/self/mountinfo");
    for (const QByteArray& line : table.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        const QByteArray mountPoint = unescapeMountField(fields.at(4));
        const bool inside = mountPoint == "/" || path == mountPoint || path.startsWith(mountPoint + '/');
        if (!inside || mountPoint.size() <= best.size())
            continue;
        struct stat st {};
        if (::stat(mountPoint.constData(), &st) == 0 && st.st_dev == device)
            best = mountPoint;
    }
    if (!best.isEmpty())
        return best;
    // No mount table: climb while the device stays the same.
    QByteArray current = path;
    while (current != "/") {
        const QByteArray parent = parentOf(current);
        struct stat st {};
        if (::stat(parent.constData(), &st) != 0 || st.st_dev != device)
            return current;
        current = parent;
    }
    return current;
}

Trash::Place* Trash::homePlace(dev_t device) {
    if (!m_homeLooked) {
        m_homeLooked = true;
        // The device of the home trash, or of its nearest folder that exists.
        QByteArray probe = HomeTrashPath();
        struct stat st {};
        while (::stat(probe.constData(), &st) != 0 && probe != "/")
            probe = parentOf(probe);
        m_homeDevice = st.st_dev;
    }
    if (m_homeDevice != device)
        return nullptr;
    if (!m_home) {
        m_home = std::make_shared<Place>();
        Place& place = *m_home;
        place.home = true;
        place.root = HomeTrashPath();
        place.cause = NoTrashCause();
        if (makePath(place.root, 0700)) {
            FileDescriptor root(::open(place.root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (root.isValid()) {
                place.files = openTrashFolder(root.get(), "files");
                place.info = openTrashFolder(root.get(), "info");
            }
        }
        struct stat st {};
        place.usable = place.files.isValid() && place.info.isValid() &&
                       ::fstat(place.files.get(), &st) == 0 && st.st_dev == device;
    }
    return m_home.get();
}

Trash::Place* Trash::volumePlace(const QByteArray& topdir, dev_t device) {
    if (auto found = m_volumes.constFind(device); found != m_volumes.constEnd())
        return found->get();
    auto place = std::make_shared<Place>();
    m_volumes.insert(device, place);
    place->topdir = topdir;
    place->cause = NoTrashCause();
    FileDescriptor top(::open(topdir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top.isValid())
        return place.get();
    const uid_t uid = ::geteuid();
    const QByteArray uidText = QByteArray::number(uid);
    const auto ownedFolder = [uid](int parent, const char* name) {
        struct stat st {};
        return ::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
               st.st_uid == uid;
    };
    FileDescriptor root;
    // $topdir/.Trash: a real folder with the sticky bit, holding one folder per user.
    struct stat shared {};
    if (::fstatat(top.get(), ".Trash", &shared, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(shared.st_mode) &&
        (shared.st_mode & S_ISVTX)) {
        FileDescriptor sharedFd(
            ::openat(top.get(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (sharedFd.isValid()) {
            if (::mkdirat(sharedFd.get(), uidText.constData(), 0700) == 0 || errno == EEXIST) {
                if (ownedFolder(sharedFd.get(), uidText.constData())) {
                    root.reset(::openat(sharedFd.get(), uidText.constData(),
                                        O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
                    if (root.isValid())
                        place->root = join(join(topdir, ".Trash"), uidText);
                }
            }
        }
    }
    // Otherwise $topdir/.Trash-$uid, the user's own.
    if (!root.isValid()) {
        const QByteArray own = ".Trash-" + uidText;
        if ((::mkdirat(top.get(), own.constData(), 0700) == 0 || errno == EEXIST) &&
            ownedFolder(top.get(), own.constData())) {
            root.reset(::openat(top.get(), own.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (root.isValid())
                place->root = join(topdir, own);
        }
    }
    if (root.isValid()) {
        place->files = openTrashFolder(root.get(), "files");
        place->info = openTrashFolder(root.get(), "info");
        place->usable = place->files.isValid() && place->info.isValid();
    }
    return place.get();
}

Trash::Outcome Trash::sendTo(Place& place, int parentFd, const QByteArray& name, const QByteArray& absolute) {
    Outcome outcome;
    QByteArray recorded = absolute;
    if (!place.home) {
        if (place.topdir == "/")
            recorded = absolute.mid(1);
        else if (absolute.startsWith(place.topdir + '/'))
            recorded = absolute.mid(place.topdir.size() + 1);
    }
    char date[32] = {};
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const QByteArray content =
        "[Trash Info]\nPath=" + EncodePath(recorded) + "\nDeletionDate=" + QByteArray(date) + '\n';

    struct stat st {};
    const bool folder =
        ::fstatat(parentFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    const int limit = kNameMax - int(kInfoSuffix.size());
    const QByteArray base = FitName(name, limit);
    for (int attempt = 0; attempt < 100'000; ++attempt) {
        const QByteArray candidate =
            attempt == 0 ? base : CollisionCandidate(base, folder, attempt - 1, limit);
        const QByteArray infoName = candidate + kInfoSuffix;
        FileDescriptor info(::openat(place.info.get(), infoName.constData(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!info.isValid()) {
            if (errno == EEXIST)
                continue;
            outcome.noTrash = true;
            outcome.cause = NoTrashCause() + QLatin1Char('\n') + CauseText(errno);
            return outcome;
        }
        const bool written =
            ::write(info.get(), content.constData(), size_t(content.size())) == content.size();
        const int writeError = errno;
        if (!info.close() || !written) {
            const int error = written ? errno : writeError;
            ::unlinkat(place.info.get(), infoName.constData(), 0);
            outcome.noTrash = true;
            outcome.cause = NoTrashCause() + QLatin1Char('\n') + CauseText(error ? error : EIO);
            return outcome;
        }
        if (::renameat2(parentFd, name.constData(), place.files.get(), candidate.constData(),
                        RENAME_NOREPLACE) == 0) {
            outcome.ok = true;
            outcome.trashedAs = candidate;
            return outcome;
        }
        const int error = errno;
        ::unlinkat(place.info.get(), infoName.constData(), 0);
        if (error == EEXIST)
            continue;
        outcome.error = error;
        return outcome;
    }
    outcome.error = EEXIST;
    return outcome;
}

Trash::Outcome Trash::send(const QByteArray& givenPath, const struct stat& st) {
    Outcome outcome;
    QByteArray path = givenPath;
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray name = slash < 0 ? path : path.mid(slash + 1);
    if (name.isEmpty() || name == "." || name == ".." || path == "/") {
        outcome.error = EINVAL;
        return outcome;
    }
    // The sources of one operation share their folder, most of the time: it is resolved once.
    const QByteArray givenParent = parentOf(path);
    if (givenParent != m_parentGiven || !m_parentFd.isValid()) {
        m_parentGiven.clear();
        char resolved[PATH_MAX];
        if (!::realpath(givenParent.constData(), resolved)) {
            outcome.error = errno;
            return outcome;
        }
        m_parentFd.reset(::open(resolved, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!m_parentFd.isValid() || ::fstat(m_parentFd.get(), &m_parentSt) != 0) {
            outcome.error = errno;
            m_parentFd.reset();
            return outcome;
        }
        m_parentResolved = resolved;
        m_parentGiven = givenParent;
    }
    const QByteArray& parent = m_parentResolved;
    const QByteArray absolute = join(parent, name);
    const int parentFd = m_parentFd.get();
    const struct stat& parentSt = m_parentSt;
    if (parentSt.st_dev != st.st_dev) { // a mount point: it cannot change its name
        outcome.error = EBUSY;
        return outcome;
    }
    const auto holdsTrash = [&](const QByteArray& root) {
        return root == absolute || root.startsWith(absolute + '/') || absolute.startsWith(root + '/');
    };
    if (Place* home = homePlace(st.st_dev)) {
        if (!home->usable) {
            outcome.noTrash = true;
            outcome.cause = home->cause;
            return outcome;
        }
        if (holdsTrash(home->root)) {
            outcome.error = EINVAL;
            outcome.cause = TrashItselfCause();
            return outcome;
        }
        outcome = sendTo(*home, parentFd, name, absolute);
        if (outcome.ok || outcome.error != EXDEV) // a bind mount of the same disk: try the volume
            return outcome;
        outcome = Outcome();
    }
    const QByteArray topdir = TopDirOf(parent, st.st_dev);
    Place* place = volumePlace(topdir, st.st_dev);
    if (!place->usable) {
        outcome.noTrash = true;
        outcome.cause = place->cause;
        return outcome;
    }
    if (holdsTrash(place->root) || absolute == join(topdir, ".Trash")) {
        outcome.error = EINVAL;
        outcome.cause = TrashItselfCause();
        return outcome;
    }
    return sendTo(*place, parentFd, name, absolute);
}

} // namespace vambrel::fileops
