#include "PathSyntax.h"
#include "TempFileName.h"
#include "TextFormat.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>

using namespace vambrel;

class TestTextFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
    }

    void sizeText_data() {
        QTest::addColumn<double>("octets");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0.0 << QStringLiteral("0 octet(s)");
        QTest::newRow("999") << 999.0 << QStringLiteral("999 octet(s)");
        QTest::newRow("1000 not divided") << 1000.0 << QStringLiteral("1000 octet(s)");
        QTest::newRow("1001 below one Ko") << 1001.0 << QStringLiteral(",98 Ko");
        QTest::newRow("1010") << 1010.0 << QStringLiteral(",99 Ko");
        QTest::newRow("1023 rounds to a leading digit") << 1023.0 << QStringLiteral("1,00 Ko");
        QTest::newRow("1024 whole") << 1024.0 << QStringLiteral("1 Ko");
        QTest::newRow("1025 rounds to 1,00") << 1025.0 << QStringLiteral("1,00 Ko");
        QTest::newRow("1536") << 1536.0 << QStringLiteral("1,50 Ko");
        QTest::newRow("2048") << 2048.0 << QStringLiteral("2 Ko");
        QTest::newRow("1000 Ko") << 1024000.0 << QStringLiteral("1000 Ko");
        QTest::newRow("1001 Ko") << 1025024.0 << QStringLiteral(",98 Mo");
        QTest::newRow("1 Mo") << 1048576.0 << QStringLiteral("1 Mo");
        QTest::newRow("1.5 Go") << 1610612736.0 << QStringLiteral("1,50 Go");
        QTest::newRow("2 To stays Go") << 2.0 * 1024 * 1024 * 1024 * 1024 << QStringLiteral("2048 Go");
        QTest::newRow("fraction of octet") << 0.5 << QStringLiteral(",50 octet(s)");
        QTest::newRow("just above 1000 Ko") << 1000.5 * 1024 << QStringLiteral(",98 Mo");
        QTest::newRow("huge stays Go")
            << 1e30
            << QString::number(1e30 / 1073741824.0, 'f', 2).replace(u'.', u',') + QStringLiteral(" Go");
        QTest::newRow("not a number") << std::nan("") << QString();
        QTest::newRow("infinite") << HUGE_VAL << QString();
    }
    void sizeText() {
        QFETCH(double, octets);
        QFETCH(QString, expected);
        QCOMPARE(SizeText(octets), expected);
    }

    void sizeTextIntegers() {
        // Callers pass 64-bit sizes: the greatest one must still give a text in Go.
        QCOMPARE(SizeText(qint64(3) * 1024 * 1024 * 1024), QStringLiteral("3 Go"));
        QVERIFY(SizeText(std::numeric_limits<qint64>::max()).endsWith(QStringLiteral(" Go")));
    }

    void pathParts_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("extension");
        QTest::newRow("full path") << QStringLiteral("/data/a.dat") << QStringLiteral("a.dat")
                                   << QStringLiteral("/data/") << QStringLiteral(".dat");
        QTest::newRow("bare name") << QStringLiteral("a.dat") << QStringLiteral("a.dat") << QString()
                                   << QStringLiteral(".dat");
        QTest::newRow("two dots") << QStringLiteral("archive.tar.gz") << QStringLiteral("archive.tar.gz")
                                  << QString() << QStringLiteral(".gz");
        QTest::newRow("no dot") << QStringLiteral("README") << QStringLiteral("README") << QString()
                                << QString();
        QTest::newRow("dotted folder") << QStringLiteral("/srv/v1.2/README") << QStringLiteral("README")
                                       << QStringLiteral("/srv/v1.2/") << QString();
        QTest::newRow("hidden file") << QStringLiteral("/home/ana/.profile") << QStringLiteral(".profile")
                                     << QStringLiteral("/home/ana/") << QStringLiteral(".profile");
        QTest::newRow("trailing dot")
            << QStringLiteral("name.") << QStringLiteral("name.") << QString() << QStringLiteral(".");
        QTest::newRow("root") << QStringLiteral("/") << QString() << QStringLiteral("/") << QString();
        QTest::newRow("folder ends") << QStringLiteral("/usr/") << QString() << QStringLiteral("/usr/")
                                     << QString();
        QTest::newRow("backslash is a character")
            << QStringLiteral("C:\\Data\\a.dat") << QStringLiteral("C:\\Data\\a.dat") << QString()
            << QStringLiteral(".dat");
        QTest::newRow("empty") << QString() << QString() << QString() << QString();
    }
    void pathParts() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QFETCH(QString, extension);
        QCOMPARE(FileNameOf(path), name);
        QCOMPARE(FolderOf(path), folder);
        QCOMPARE(GetExtension(path), extension);
        // Folder and name always give back the whole path.
        QCOMPARE(FolderOf(path) + FileNameOf(path), path);
    }

    void joinPath_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("usr") << QStringLiteral("/usr");
        QTest::newRow("plain") << QStringLiteral("/usr") << QStringLiteral("lib")
                               << QStringLiteral("/usr/lib");
        QTest::newRow("both separators")
            << QStringLiteral("/usr/") << QStringLiteral("/lib") << QStringLiteral("/usr/lib");
        QTest::newRow("name starts") << QStringLiteral("/usr") << QStringLiteral("/lib")
                                     << QStringLiteral("/usr/lib");
        QTest::newRow("no folder") << QString() << QStringLiteral("a") << QStringLiteral("a");
        QTest::newRow("no name") << QStringLiteral("/media/ana/USB") << QString()
                                 << QStringLiteral("/media/ana/USB");
    }
    void joinPath() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(JoinPath(folder, name), expected);
    }

    void nullToText_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("invalid") << QVariant() << QString();
        QTest::newRow("null text") << QVariant(QMetaType::fromType<QString>()) << QString();
        QTest::newRow("text") << QVariant(QStringLiteral("1.0.2")) << QStringLiteral("1.0.2");
        QTest::newRow("number") << QVariant(qint64(42)) << QStringLiteral("42");
        QTest::newRow("empty text") << QVariant(QString(QLatin1String(""))) << QString();
    }
    void nullToText() {
        QFETCH(QVariant, value);
        QFETCH(QString, expected);
        QCOMPARE(NullToText(value), expected);
    }

    void groupedNumber_data() {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("0");
        QTest::newRow("three digits") << qint64(999) << QStringLiteral("999");
        QTest::newRow("four digits") << qint64(1000) << QStringLiteral("1 000");
        QTest::newRow("millions") << qint64(1234567) << QStringLiteral("1 234 567");
        QTest::newRow("above 32 bits") << qint64(5'000'000'000) << QStringLiteral("5 000 000 000");
        QTest::newRow("greatest") << std::numeric_limits<qint64>::max()
                                  << QStringLiteral("9 223 372 036 854 775 807");
        QTest::newRow("negative") << qint64(-1234) << QStringLiteral("-1 234");
        QTest::newRow("least") << std::numeric_limits<qint64>::min()
                               << QStringLiteral("-9 223 372 036 854 775 808");
    }
    void groupedNumber() {
        QFETCH(qint64, value);
        QFETCH(QString, expected);
        QCOMPARE(GroupedNumberText(value), expected);
    }

    void memoryText_data() {
        QTest::addColumn<quint64>("octets");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << quint64(0) << QStringLiteral("0,0 Mo");
        QTest::newRow("256 MiB uses 1 024 000") << quint64(268435456) << QStringLiteral("262,1 Mo");
        QTest::newRow("16 GiB grouped") << quint64(17179869184) << QStringLiteral("16 777,2 Mo");
        QTest::newRow("half rounds up") << quint64(51200) << QStringLiteral("0,1 Mo");
        QTest::newRow("below half") << quint64(51199) << QStringLiteral("0,0 Mo");
        QTest::newRow("greatest") << std::numeric_limits<quint64>::max()
                                  << QStringLiteral("18 014 398 509 482,0 Mo");
    }
    void memoryText() {
        QFETCH(quint64, octets);
        QFETCH(QString, expected);
        QCOMPARE(MemoryText(octets), expected);
    }

    void dateTexts_data() {
        QTest::addColumn<qint64>("unixSeconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("winter") << qint64(1'700'000'000) << QStringLiteral("14/11/2023 23:13:20");
        QTest::newRow("summer") << qint64(1'690'000'000) << QStringLiteral("22/07/2023 06:26:40");
        QTest::newRow("padded fields") << qint64(1'046'869'629) << QStringLiteral("05/03/2003 14:07:09");
        QTest::newRow("file time zero") << -kFileTimeEpochOffset << QStringLiteral("01/01/1601 01:00:00");
    }
    void dateTexts() {
        QFETCH(qint64, unixSeconds);
        QFETCH(QString, expected);
        QCOMPARE(FormatFileDate(FileTimeFromUnix(unixSeconds, 5'000'000)), expected);
        QCOMPARE(GeneralDateText(UnixTimeToDate(unixSeconds)), expected);
    }

    void dateTextFailures() {
        QCOMPARE(FormatFileDate(FileTime(0x8000000000000000ULL)), QString());
        QCOMPARE(FormatFileDate(FileTime(0xFFFFFFFFFFFFFFFFULL)), QString());
        QCOMPARE(GeneralDateText(QDateTime()), QString());
        // The zero date itself is a true date, not a failure.
        const qint64 zeroSeconds = ZeroDate().toSecsSinceEpoch();
        QCOMPARE(FormatFileDate(FileTimeFromUnix(zeroSeconds)), QStringLiteral("30/12/1899 00:00:00"));
        QCOMPARE(GeneralDateText(ZeroDate()), QStringLiteral("30/12/1899 00:00:00"));
    }

    void tempFileName() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray saved = qgetenv("TMPDIR");
        qputenv("TMPDIR", dir.path().toUtf8());
        const QString first = TempFileName(u"qvtlonger");
        const QString second = TempFileName(u"qvt");
        const QString hostile = TempFileName(u"../x");
        qputenv("TMPDIR", dir.filePath(QStringLiteral("missing")).toUtf8());
        const QString failed = TempFileName(u"qvt");
        qputenv("TMPDIR", saved);

        QVERIFY(!first.isEmpty());
        QCOMPARE(QFileInfo(first).absolutePath(), QDir(dir.path()).absolutePath());
        QVERIFY(FileNameOf(first).startsWith(QStringLiteral("qvt")));
        // Three letters of the prefix, six random characters, ".tmp".
        QCOMPARE(FileNameOf(first).size(), 13);
        QVERIFY(first.endsWith(QStringLiteral(".tmp")));
        QVERIFY(!QFileInfo::exists(first));
        QVERIFY(first != second);
        QCOMPARE(QFileInfo(hostile).absolutePath(), QDir(dir.path()).absolutePath());
        QVERIFY(failed.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestTextFormat)
#include "tst_textformat.moc"
