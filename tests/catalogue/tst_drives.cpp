#include "Drives.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;

Q_DECLARE_METATYPE(QList<vambrel::Drive>)

namespace {

QString typeName(DriveType type) {
    switch (type) {
    case DriveType::Fixed:
        return QStringLiteral("fixed");
    case DriveType::Removable:
        return QStringLiteral("removable");
    case DriveType::CdRom:
        return QStringLiteral("cdrom");
    case DriveType::Network:
        return QStringLiteral("network");
    case DriveType::Ram:
        return QStringLiteral("ram");
    case DriveType::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

// One line per drive: "root|type|file system|device".
QStringList describe(const QList<Drive>& drives) {
    QStringList lines;
    for (const Drive& d : drives)
        lines << d.root + QLatin1Char('|') + typeName(d.type) + QLatin1Char('|') + d.fileSystem +
                     QLatin1Char('|') + d.device;
    return lines;
}

QByteArray line(const char* point, const char* type, const char* source) {
    return QByteArray("31 1 8:1 / ") + point + " rw,relatime shared:1 - " + type + ' ' + source + " rw\n";
}

} // namespace

class TestDrives : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QByteArray& table) {
        const QString path = m_dir.filePath(QStringLiteral("mountinfo"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(table) != table.size())
            return {};
        return path;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        // A fake /sys/block: sdb is removable, nvme0n1 is not.
        const QDir root(m_dir.path());
        QVERIFY(root.mkpath(QStringLiteral("block/sdb")) && root.mkpath(QStringLiteral("block/nvme0n1")));
        QFile sdb(m_dir.filePath(QStringLiteral("block/sdb/removable")));
        QVERIFY(sdb.open(QIODevice::WriteOnly) && sdb.write("1\n") == 2);
        QFile nvme(m_dir.filePath(QStringLiteral("block/nvme0n1/removable")));
        QVERIFY(nvme.open(QIODevice::WriteOnly) && nvme.write("0\n") == 2);
        QVERIFY(QFile(m_dir.filePath(QStringLiteral("hosts"))).open(QIODevice::WriteOnly));
    }

    void listDrives_data() {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QStringList>("expected");
        const QByteArray pseudo =
            line("/proc", "proc", "proc") + line("/sys", "sysfs", "sysfs") + line("/run", "tmpfs", "tmpfs") +
            line("/snap/core/1", "squashfs", "/dev/loop0") + line("/sys/fs/cgroup", "cgroup2", "cgroup2") +
            line("/dev/pts", "devpts", "devpts");
        QTest::newRow("desktop")
            << line("/", "ext4", "/dev/nvme0n1p2") + pseudo + line("/srv", "xfs", "/dev/nvme0n1p3") +
                   line("/data", "ext4", "/dev/sdb1") + line("/media/ana/USB", "vfat", "/dev/sdc1") +
                   line("/run/media/bo/KEY", "exfat", "/dev/sdd1") + line("/mnt/cd", "iso9660", "/dev/sr0") +
                   line("/mnt/dvd", "ext2", "/dev/sr1") + line("/mnt/nfs", "nfs4", "srv:/export") +
                   line("/mnt/smb", "cifs", "//srv/share") + line("/mnt/ssh", "fuse.sshfs", "ana@srv:") +
                   line("/mnt/zram", "ext4", "/dev/zram0")
            << QStringList{QStringLiteral("/|fixed|ext4|/dev/nvme0n1p2"),
                           QStringLiteral("/data|removable|ext4|/dev/sdb1"),
                           QStringLiteral("/media/ana/USB|removable|vfat|/dev/sdc1"),
                           QStringLiteral("/mnt/cd|cdrom|iso9660|/dev/sr0"),
                           QStringLiteral("/mnt/dvd|cdrom|ext2|/dev/sr1"),
                           QStringLiteral("/mnt/nfs|network|nfs4|srv:/export"),
                           QStringLiteral("/mnt/smb|network|cifs|//srv/share"),
                           QStringLiteral("/mnt/ssh|network|fuse.sshfs|ana@srv:"),
                           QStringLiteral("/mnt/zram|ram|ext4|/dev/zram0"),
                           QStringLiteral("/run/media/bo/KEY|removable|exfat|/dev/sdd1"),
                           QStringLiteral("/srv|fixed|xfs|/dev/nvme0n1p3")};
        QTest::newRow("overlay root is still the first drive")
            << line("/mnt/b", "ext4", "/dev/vdb") + line("/", "overlay", "overlay") +
                   line("/mnt/a", "ext4", "/dev/vda")
            << QStringList{QStringLiteral("/|fixed|overlay|overlay"),
                           QStringLiteral("/mnt/a|fixed|ext4|/dev/vda"),
                           QStringLiteral("/mnt/b|fixed|ext4|/dev/vdb")};
        QTest::newRow("escapes decoded")
            << line("/mnt/My\\040Disk\\134x", "ext4", "/dev/vdb") +
                   line("/mnt/caf\\303\\251", "ext4", "/dev/vdc") +
                   line("/mnt/raw\\377", "ext4", "/dev/vdd") + line("/mnt/bad\\9x", "ext4", "/dev/vde")
            << QStringList{QStringLiteral("/|fixed||"), QStringLiteral("/mnt/My Disk\\x|fixed|ext4|/dev/vdb"),
                           QStringLiteral("/mnt/bad\\9x|fixed|ext4|/dev/vde"),
                           QStringLiteral("/mnt/café|fixed|ext4|/dev/vdc"),
                           QStringLiteral("/mnt/raw") + QChar(0xF7FF) +
                               QStringLiteral("|fixed|ext4|/dev/vdd")};
        QTest::newRow("mounted twice: the top one")
            << line("/mnt/a", "ext4", "/dev/vda") + line("/mnt/a", "tmpfs", "tmpfs") +
                   line("/mnt/b", "tmpfs", "tmpfs") + line("/mnt/b", "ext4", "/dev/vdb")
            << QStringList{QStringLiteral("/|fixed||"), QStringLiteral("/mnt/b|fixed|ext4|/dev/vdb")};
        QTest::newRow("malformed lines skipped")
            << QByteArray("garbage\n\n1 2 3\n31 1 8:1 / /mnt/x rw - ext4\n") +
                   QByteArray("31 1 8:1 / relative rw shared:1 - ext4 /dev/vda rw\n") +
                   QByteArray("31 1 8:1 / /mnt/nodash rw shared:1 x ext4 /dev/vda rw\n") +
                   QByteArray(100000, ' ') + '\n' + line("/mnt/ok", "ext4", "/dev/vda")
            << QStringList{QStringLiteral("/|fixed||"), QStringLiteral("/mnt/ok|fixed|ext4|/dev/vda")};
        QTest::newRow("empty table") << QByteArray() << QStringList{QStringLiteral("/|fixed||")};
    }
    void listDrives() {
        QFETCH(QByteArray, table);
        QFETCH(QStringList, expected);
        const QString path = write(table);
        QVERIFY(!path.isEmpty());
        QCOMPARE(describe(ListDrives(path, m_dir.filePath(QStringLiteral("block")))), expected);
    }

    void bindMountedFileLeftOut() {
        const QByteArray hosts = QFile::encodeName(m_dir.filePath(QStringLiteral("hosts")));
        const QByteArray folder = QFile::encodeName(m_dir.filePath(QStringLiteral("block")));
        const QString path =
            write(line(hosts.constData(), "ext4", "/dev/vda") + line(folder.constData(), "ext4", "/dev/vda"));
        QCOMPARE(describe(ListDrives(path, m_dir.filePath(QStringLiteral("block")))),
                 (QStringList{QStringLiteral("/|fixed||"),
                              QString::fromLocal8Bit(folder) + QStringLiteral("|fixed|ext4|/dev/vda")}));
    }

    void missingTable() {
        QCOMPARE(describe(ListDrives(m_dir.filePath(QStringLiteral("none")),
                                     m_dir.filePath(QStringLiteral("none")))),
                 QStringList{QStringLiteral("/|fixed||")});
    }
};

QTEST_GUILESS_MAIN(TestDrives)
#include "tst_drives.moc"
