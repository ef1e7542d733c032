#include "Drives.h"
#include "PathSyntax.h"

#include <QTest>

using namespace vambrel;

using namespace Qt::StringLiterals;

class TestPathSyntax : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void joinPath() {
        // The rest of the joining rules are tested with the shell helpers that use them.
        QCOMPARE(JoinPath(QStringLiteral("/"), QStringLiteral("usr")), QStringLiteral("/usr"));
        QCOMPARE(JoinPath(QStringLiteral("/usr/"), QStringLiteral("/lib")), QStringLiteral("/usr/lib"));
        QCOMPARE(JoinPath(QStringLiteral("/a:b"), QStringLiteral("c")), QStringLiteral("/a:b/c"));
    }

    void recordedNames_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << u"/a/b"_s << u"c.txt"_s << u"/a/b/c.txt"_s;
        QTest::newRow("root") << u"/"_s << u"c"_s << u"/c"_s;
        QTest::newRow("dots inside") << u"/a"_s << u"..c"_s << u"/a/..c"_s;
        QTest::newRow("climbs") << u"/a/b"_s << u"../../etc/passwd"_s << QString();
        QTest::newRow("dot dot") << u"/a"_s << u".."_s << QString();
        QTest::newRow("dot") << u"/a"_s << u"."_s << QString();
        QTest::newRow("empty name") << u"/a"_s << QString() << QString();
        QTest::newRow("separator") << u"/a"_s << u"b/c"_s << QString();
        QTest::newRow("nul") << u"/a"_s << QString(u"b\0c"_s) << QString();
        QTest::newRow("relative folder") << u"a/b"_s << u"c"_s << QString();
        QTest::newRow("no folder") << QString() << u"c"_s << QString();
        QTest::newRow("folder climbs") << u"/a/b/.."_s << u"c"_s << QString();
        QTest::newRow("folder climbs midway") << u"/a/../etc"_s << u"passwd"_s << QString();
        QTest::newRow("folder of dot") << u"/a/./b"_s << u"c"_s << QString();
        QTest::newRow("folder of root dot dot") << u"/.."_s << u"c"_s << QString();
        QTest::newRow("folder dots in a name") << u"/a/..b/c.."_s << u"d"_s << u"/a/..b/c../d"_s;
        QTest::newRow("folder with a double separator") << u"/a//b"_s << u"c"_s << u"/a//b/c"_s;
    }
    void recordedNames() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(RecordedFilePath(folder, name), path);
    }

    void startFolders_data() {
        QTest::addColumn<QString>("spec");
        QTest::addColumn<QStringList>("folders");
        QTest::newRow("empty") << QString() << QStringList{QString()};
        QTest::newRow("two") << QStringLiteral("/:/media/USB")
                             << QStringList{QStringLiteral("/"), QStringLiteral("/media/USB")};
        QTest::newRow("empty middle")
            << QStringLiteral("/a::/b") << QStringList{QStringLiteral("/a"), QString(), QStringLiteral("/b")};
        QTest::newRow("trailing") << QStringLiteral("/a:") << QStringList{QStringLiteral("/a"), QString()};
    }
    void startFolders() {
        QFETCH(QString, spec);
        QFETCH(QStringList, folders);
        QCOMPARE(SplitStartFolders(spec), folders);
        QCOMPARE(JoinStartFolders(folders), spec);
    }

    void origine_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("origine");
        const QString computer = QStringLiteral("Poste de travail");
        QTest::newRow("root") << QStringLiteral("/") << computer;
        QTest::newRow("doubled root") << QStringLiteral("//") << computer;
        QTest::newRow("mount point, trailing separator") << QStringLiteral("/media/ana/USB/") << computer;
        QTest::newRow("longer name than a mount point")
            << QStringLiteral("/media/ana/USB2") << QStringLiteral("/media/ana/");
        QTest::newRow("inside a drive")
            << QStringLiteral("/media/ana/USB/docs") << QStringLiteral("/media/ana/USB/");
        QTest::newRow("folder, trailing separator")
            << QStringLiteral("/home/ana/") << QStringLiteral("/home/ana/");
        QTest::newRow("relative") << QStringLiteral("docs") << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void origine() {
        QFETCH(QString, start);
        QFETCH(QString, origine);
        const QList<Drive> drives{{QStringLiteral("/"), DriveType::Fixed, QStringLiteral("ext4"), QString()},
                                  {QStringLiteral("/media/ana/USB"), DriveType::Removable,
                                   QStringLiteral("vfat"), QStringLiteral("/dev/sdb1")}};
        QCOMPARE(OrigineOf(start, drives), origine);
        QCOMPARE(IsDriveRoot(start, drives), origine == QLatin1String("Poste de travail"));
    }

    void rootIsAlwaysADrive() {
        // Even when the mount table leaves "/" out (an overlay root), "/" is the default drive.
        QVERIFY(IsDriveRoot(QStringLiteral("/"), {}));
        QCOMPARE(OrigineOf(QStringLiteral("/")), QStringLiteral("Poste de travail"));
    }
};

QTEST_GUILESS_MAIN(TestPathSyntax)
#include "tst_pathsyntax.moc"
