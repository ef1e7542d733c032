#include "Drives.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;

namespace {

// One text per drive: "root|type|file system|device".
QStringList describe(const QList<Drive>& drives) {
    static const char* const kTypes[] = {"fixed", "removable", "cdrom", "network", "ram", "unknown"};
    QStringList lines;
    for (const Drive& d : drives)
        lines << QStringList{d.root, QLatin1String(kTypes[int(d.type)]), d.fileSystem, d.device}.join(u'|');
    return lines;
}

QByteArray line(const QByteArray& point, const char* type, const char* source) {
    return "31 1 8:1 / " + point + " rw,relatime shared:1 - " + type + ' ' + source + " rw\n";
}

} // namespace

class TestDrives : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QList<Drive> drivesOf(const QByteArray& table) {
        QFile file(m_dir.filePath(QStringLiteral("mountinfo")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(table) != table.size())
            return {};
        file.close();
        return ListDrives(file.fileName(), m_dir.filePath(QStringLiteral("block")));
    }

private Q_SLOTS:
    void initTestCase() {
        // A sample /sys/block: sdb is removable, nvme0n1 is not.
        for (const char* disk : {"sdb", "nvme0n1"}) {
            QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("block/") + QLatin1String(disk)));
            QFile removable(m_dir.filePath(QStringLiteral("block/%1/removable").arg(QLatin1String(disk))));
            QVERIFY(removable.open(QIODevice::WriteOnly));
            removable.write(disk == QByteArrayView("sdb") ? "1\n" : "0\n");
        }
    }

    void listDrives_data() {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QStringList>("expected");
        const QString root = QStringLiteral("/|fixed||");
        QTest::newRow("desktop")
            << line("/", "ext4", "/dev/nvme0n1p2") + line("/proc", "proc", "proc") +
                   line("/run", "tmpfs", "tmpfs") + line("/snap/core/1", "squashfs", "/dev/loop0") +
                   line("/srv", "xfs", "/dev/nvme0n1p3") + line("/data", "ext4", "/dev/sdb1") +
                   line("/media/ana/USB", "vfat", "/dev/sdc1") + line("/mnt/cd", "iso9660", "/dev/sr0") +
                   line("/mnt/dvd", "ext2", "/dev/sr1") + line("/mnt/nfs", "nfs4", "srv:/export") +
                   line("/mnt/ssh", "fuse.sshfs", "ana@srv:") + line("/mnt/zram", "ext4", "/dev/zram0")
            << QStringList{QStringLiteral("/|fixed|ext4|/dev/nvme0n1p2"),
                           QStringLiteral("/data|removable|ext4|/dev/sdb1"),
                           QStringLiteral("/media/ana/USB|removable|vfat|/dev/sdc1"),
                           QStringLiteral("/mnt/cd|cdrom|iso9660|/dev/sr0"),
                           QStringLiteral("/mnt/dvd|cdrom|ext2|/dev/sr1"),
                           QStringLiteral("/mnt/nfs|network|nfs4|srv:/export"),
                           QStringLiteral("/mnt/ssh|network|fuse.sshfs|ana@srv:"),
                           QStringLiteral("/mnt/zram|ram|ext4|/dev/zram0"),
                           QStringLiteral("/srv|fixed|xfs|/dev/nvme0n1p3")};
        QTest::newRow("overlay root still first")
            << line("/mnt/b", "ext4", "/dev/vdb") + line("/", "overlay", "overlay")
            << QStringList{QStringLiteral("/|fixed|overlay|overlay"),
                           QStringLiteral("/mnt/b|fixed|ext4|/dev/vdb")};
        QTest::newRow("escapes decoded")
            << line("/mnt/My\\040Disk\\134x", "ext4", "a") + line("/mnt/caf\\303\\251", "ext4", "b") +
                   line("/mnt/raw\\377", "ext4", "c") + line("/mnt/bad\\9x", "ext4", "d")
            << QStringList{root, QStringLiteral("/mnt/My Disk\\x|fixed|ext4|a"),
                           QStringLiteral("/mnt/bad\\9x|fixed|ext4|d"),
                           QStringLiteral("/mnt/café|fixed|ext4|b"),
                           QStringLiteral("/mnt/raw") + QChar(0xF7FF) + QStringLiteral("|fixed|ext4|c")};
        QTest::newRow("mounted twice: the top one")
            << line("/mnt/a", "ext4", "a") + line("/mnt/a", "tmpfs", "t") + line("/mnt/b", "tmpfs", "t") +
                   line("/mnt/b", "ext4", "b")
            << QStringList{root, QStringLiteral("/mnt/b|fixed|ext4|b")};
        QTest::newRow("malformed lines skipped")
            << QByteArray("garbage\n\n1 2 3\n31 1 8:1 / /mnt/x rw - ext4\n"
                          "31 1 8:1 / relative rw shared:1 - ext4 a rw\n"
                          "31 1 8:1 / /mnt/nodash rw shared:1 x ext4 a rw\n") +
                   QByteArray(100000, ' ') + '\n' + line("/mnt/ok", "ext4", "a")
            << QStringList{root, QStringLiteral("/mnt/ok|fixed|ext4|a")};
        QTest::newRow("empty table") << QByteArray() << QStringList{root};
    }
    void listDrives() {
        QFETCH(QByteArray, table);
        QFETCH(QStringList, expected);
        QCOMPARE(describe(drivesOf(table)), expected);
    }

    void bindMountedFileLeftOut() {
        const QByteArray file = QFile::encodeName(m_dir.filePath(QStringLiteral("mountinfo")));
        const QByteArray folder = QFile::encodeName(m_dir.filePath(QStringLiteral("block")));
        QCOMPARE(
            describe(drivesOf(line(file, "ext4", "a") + line(folder, "ext4", "a"))),
            (QStringList{QStringLiteral("/|fixed||"), QString::fromLocal8Bit(folder + "|fixed|ext4|a")}));
    }

    void missingTable() {
        QCOMPARE(describe(ListDrives(m_dir.filePath(QStringLiteral("none")))),
                 QStringList{QStringLiteral("/|fixed||")});
    }
};

QTEST_GUILESS_MAIN(TestDrives)
#include "tst_drives.moc"
