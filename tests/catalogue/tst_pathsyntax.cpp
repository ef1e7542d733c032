#include "Drives.h"
#include "PathSyntax.h"

#include <QTest>

using namespace vambrel;

class TestPathSyntax : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void joinPath_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("usr") << QStringLiteral("/usr");
        QTest::newRow("plain") << QStringLiteral("/usr") << QStringLiteral("lib")
                               << QStringLiteral("/usr/lib");
        QTest::newRow("both separators")
            << QStringLiteral("/usr/") << QStringLiteral("/lib") << QStringLiteral("/usr/lib");
        QTest::newRow("root and rooted name")
            << QStringLiteral("/") << QStringLiteral("/usr") << QStringLiteral("/usr");
        QTest::newRow("no folder") << QString() << QStringLiteral("a") << QStringLiteral("a");
        QTest::newRow("no name") << QStringLiteral("/media/USB") << QString() << QStringLiteral("/media/USB");
        QTest::newRow("colon is a character")
            << QStringLiteral("/a:b") << QStringLiteral("c:d") << QStringLiteral("/a:b/c:d");
    }
    void joinPath() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(JoinPath(folder, name), expected);
        QCOMPARE(JoinPath(QStringView(folder), QStringView(name)), expected);
    }

    void startFolders_data() {
        QTest::addColumn<QString>("spec");
        QTest::addColumn<QStringList>("folders");
        QTest::newRow("empty") << QString() << QStringList{QString()};
        QTest::newRow("one") << QStringLiteral("/home") << QStringList{QStringLiteral("/home")};
        QTest::newRow("two") << QStringLiteral("/:/media/USB")
                             << QStringList{QStringLiteral("/"), QStringLiteral("/media/USB")};
        QTest::newRow("empty middle")
            << QStringLiteral("/a::/b") << QStringList{QStringLiteral("/a"), QString(), QStringLiteral("/b")};
        QTest::newRow("trailing") << QStringLiteral("/a:") << QStringList{QStringLiteral("/a"), QString()};
        QTest::newRow("only separator") << QStringLiteral(":") << QStringList{QString(), QString()};
    }
    void startFolders() {
        QFETCH(QString, spec);
        QFETCH(QStringList, folders);
        QCOMPARE(SplitStartFolders(spec), folders);
        QCOMPARE(JoinStartFolders(folders), spec);
    }

    void origine_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("drive");
        QTest::addColumn<QString>("origine");
        const QString computer = QStringLiteral("Poste de travail");
        QTest::newRow("root") << QStringLiteral("/") << true << computer;
        QTest::newRow("doubled root") << QStringLiteral("//") << true << computer;
        QTest::newRow("mount point") << QStringLiteral("/media/ana/USB") << true << computer;
        QTest::newRow("mount point, trailing separator")
            << QStringLiteral("/media/ana/USB/") << true << computer;
        QTest::newRow("longer name than a mount point")
            << QStringLiteral("/media/ana/USB2") << false << QStringLiteral("/media/ana/");
        QTest::newRow("inside a drive")
            << QStringLiteral("/media/ana/USB/docs") << false << QStringLiteral("/media/ana/USB/");
        QTest::newRow("folder") << QStringLiteral("/home/ana") << false << QStringLiteral("/home/");
        QTest::newRow("folder, trailing separator")
            << QStringLiteral("/home/ana/") << false << QStringLiteral("/home/ana/");
        QTest::newRow("relative") << QStringLiteral("docs") << false << QString();
        QTest::newRow("empty") << QString() << false << QString();
    }
    void origine() {
        QFETCH(QString, start);
        QFETCH(bool, drive);
        QFETCH(QString, origine);
        const QList<Drive> drives{{QStringLiteral("/"), DriveType::Fixed, QStringLiteral("ext4"), QString()},
                                  {QStringLiteral("/media/ana/USB"), DriveType::Removable,
                                   QStringLiteral("vfat"), QStringLiteral("/dev/sdb1")}};
        QCOMPARE(IsDriveRoot(start, drives), drive);
        QCOMPARE(OrigineOf(start, drives), origine);
    }

    void rootIsAlwaysADrive() {
        // Even when the mount table leaves "/" out (an overlay root), "/" is the default drive.
        QVERIFY(IsDriveRoot(QStringLiteral("/"), {}));
        QVERIFY(IsDriveRoot(QStringLiteral("/")));
        QCOMPARE(OrigineOf(QStringLiteral("/")), QStringLiteral("Poste de travail"));
    }
};

QTEST_GUILESS_MAIN(TestPathSyntax)
#include "tst_pathsyntax.moc"
