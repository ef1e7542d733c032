#include "Drives.h"

#include "NativeName.h"
#include "PathSyntax.h"

#include <QFile>
#include <algorithm>
#include <sys/stat.h>

namespace vambrel {

namespace {

constexpr qint64 kMaxTableSize = 16 * 1024 * 1024;

bool isPseudoOrImage(const QByteArray& type) {
    static const char* const kTypes[] = {
        "proc",       "sysfs",         "cgroup",         "cgroup2",         "devpts",
        "devtmpfs",   "tmpfs",         "ramfs",          "overlay",         "squashfs",
        "erofs",      "cramfs",        "securityfs",     "debugfs",         "tracefs",
        "pstore",     "bpf",           "mqueue",         "hugetlbfs",       "configfs",
        "fusectl",    "autofs",        "binfmt_misc",    "efivarfs",        "rpc_pipefs",
        "nsfs",       "selinuxfs",     "nfsd",           "fuse.gvfsd-fuse", "fuse.portal",
        "fuse.lxcfs", "fuse.snapfuse", "fuse.squashfuse"};
    return std::any_of(std::begin(kTypes), std::end(kTypes), [&](const char* t) { return type == t; });
}

bool isNetwork(const QByteArray& type) {
    static const char* const kTypes[] = {"nfs",        "nfs4", "cifs", "smb3", "smbfs",          "sshfs",
                                         "fuse.sshfs", "9p",   "afs",  "ceph", "fuse.glusterfs", "davfs"};
    return std::any_of(std::begin(kTypes), std::end(kTypes), [&](const char* t) { return type == t; });
}

// The mount table escapes space, tab, newline and backslash as three octal digits.
QByteArray unescape(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = digits.size() == 3 &&
                      std::all_of(digits.begin(), digits.end(), [](char d) { return d >= '0' && d <= '7'; });
            if (ok) {
                const int value = digits.toInt(&ok, 8);
                if (ok && value > 0 && value < 256) {
                    out.append(static_cast<char>(value));
                    i += 3;
                    continue;
                }
            }
        }
        out.append(c);
    }
    return out;
}

// The last name of a device path: "sdb1" for "/dev/sdb1".
QString deviceName(const QString& device) {
    return device.startsWith(QLatin1String("/dev/")) ? FileNameOf(device) : QString();
}

bool isRemovableBlock(const QString& name, const QString& sysBlockPath) {
    if (name.isEmpty() || name.contains(QChar(kPathSeparator)) || name.startsWith(QLatin1Char('.')))
        return false;
    // The partition's disk: "sdb1" -> "sdb", "nvme0n1p2" -> "nvme0n1", "mmcblk0p1" -> "mmcblk0".
    QStringList candidates{name};
    QString disk = name;
    while (!disk.isEmpty() && disk.back().isDigit())
        disk.chop(1);
    if (disk != name && !disk.isEmpty()) {
        if (disk.endsWith(QLatin1Char('p')) && disk.size() > 1 && disk.at(disk.size() - 2).isDigit())
            candidates << disk.left(disk.size() - 1);
        candidates << disk;
    }
    for (const QString& candidate : candidates) {
        QFile file(JoinPath(sysBlockPath, candidate + QStringLiteral("/removable")));
        if (file.open(QIODevice::ReadOnly))
            return file.read(16).trimmed() == "1";
    }
    return false;
}

DriveType typeOf(const QByteArray& fileSystem, const QString& device, const QString& root,
                 const QString& sysBlockPath) {
    const QString name = deviceName(device);
    if (isNetwork(fileSystem))
        return DriveType::Network;
    if (fileSystem == "iso9660" || fileSystem == "udf" || name.startsWith(QLatin1String("sr")))
        return DriveType::CdRom;
    if (name.startsWith(QLatin1String("zram")) || name.startsWith(QLatin1String("ram")))
        return DriveType::Ram;
    if (root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/run/media/")) ||
        isRemovableBlock(name, sysBlockPath))
        return DriveType::Removable;
    return DriveType::Fixed;
}

// A mount point that exists and is not a folder is a bind-mounted file, not a volume.
bool isMountedFile(const QByteArray& point) {
    struct stat st {};
    return ::lstat(point.constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

} // namespace

QList<Drive> ListDrives(const QString& mountInfoPath, const QString& sysBlockPath) {
    QByteArray table;
    QFile file(mountInfoPath);
    if (file.open(QIODevice::ReadOnly))
        table = file.read(kMaxTableSize);

    QList<Drive> drives;
    Drive root{QStringLiteral("/"), DriveType::Fixed, QString(), QString()};
    for (const QByteArray& line : table.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        // id parent major:minor root point options [optional...] - type source super-options
        const qsizetype dash = fields.indexOf(QByteArrayLiteral("-"), 6);
        if (fields.size() < 10 || dash < 6 || dash + 2 >= fields.size())
            continue;
        const QByteArray point = unescape(fields.at(4));
        if (!point.startsWith('/') || point.contains('\0'))
            continue;
        const QByteArray type = fields.at(dash + 1);
        const QString device = PathFromNative(unescape(fields.at(dash + 2)));
        const QString mountPoint = PathFromNative(point);
        if (point == "/") {
            root.fileSystem = QString::fromLatin1(type);
            root.device = device;
            root.type =
                isPseudoOrImage(type) ? DriveType::Fixed : typeOf(type, device, mountPoint, sysBlockPath);
            continue;
        }
        // A later line mounts over an earlier one at the same point.
        drives.removeIf([&](const Drive& d) { return d.root == mountPoint; });
        // Never stat a network mount: a server that does not answer would hang the list.
        if (isPseudoOrImage(type) || (!isNetwork(type) && isMountedFile(point)))
            continue;
        drives.append(Drive{mountPoint, typeOf(type, device, mountPoint, sysBlockPath),
                            QString::fromLatin1(type), device});
    }
    std::sort(drives.begin(), drives.end(), [](const Drive& a, const Drive& b) { return a.root < b.root; });
    drives.prepend(root);
    return drives;
}

} // namespace vambrel
