#pragma once

#include <QList>
#include <QString>

namespace vambrel {

enum class DriveType { Fixed, Removable, CdRom, Network, Ram, Unknown };

struct Drive {
    QString root; // the mount point
    DriveType type = DriveType::Unknown;
    QString fileSystem;
    QString device; // the mount source, as the mount table gives it
};

// The drives of the computer: the mounted volumes of the mount table, pseudo and image file
// systems left out, bind-mounted single files left out, the top mount kept where one point is
// mounted twice. "/" is always a drive and comes first, the others follow by mount point.
// Types: network file systems Network; iso9660, udf or an "sr" device CdRom; a removable block
// device or a mount under /media or /run/media Removable; "zram"/"ram" devices Ram; anything
// else Fixed. An unreadable or malformed table gives "/" alone; malformed lines are skipped.
QList<Drive> ListDrives(const QString& mountInfoPath = QStringLiteral("/proc/self/mountinfo"),
                        const QString& sysBlockPath = QStringLiteral("/sys/block"));

} // namespace vambrel
