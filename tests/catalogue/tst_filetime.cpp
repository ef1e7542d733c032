#include "FileTime.h"
#include "TextHelpers.h"

#include <QTest>
#include <ctime>

using namespace vambrel;

class TestFileTime : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // A fixed zone with summer time, so results do not depend on the machine.
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
    }

    void stripAtNul_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("no nul") << QStringLiteral("Fichier TXT") << QStringLiteral("Fichier TXT");
        QTest::newRow("nul first") << QString(QChar(0)) + QStringLiteral("abc") << QString();
        QTest::newRow("nul middle") << QStringLiteral("abc") + QChar(0) + QStringLiteral("def")
                                    << QStringLiteral("abc");
        QTest::newRow("nul last") << QStringLiteral("abc") + QChar(0) << QStringLiteral("abc");
    }
    void stripAtNul() {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(StripAtNul(input), expected);
    }

    void fileTimeToDate_data() {
        QTest::addColumn<qint64>("unixSeconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("epoch") << qint64(0) << QStringLiteral("1970-01-01 01:00:00");
        QTest::newRow("winter") << qint64(1'700'000'000) << QStringLiteral("2023-11-14 23:13:20");
        QTest::newRow("summer") << qint64(1'690'000'000) << QStringLiteral("2023-07-22 06:26:40");
        QTest::newRow("before 1970") << qint64(-86'400) << QStringLiteral("1969-12-31 01:00:00");
        QTest::newRow("file time zero") << -kFileTimeEpochOffset << QStringLiteral("1601-01-01 01:00:00");
        QTest::newRow("past 2038") << qint64(4'102'444'800) << QStringLiteral("2100-01-01 01:00:00");
    }
    void fileTimeToDate() {
        QFETCH(qint64, unixSeconds);
        QFETCH(QString, expected);
        QCOMPARE(DateToText(UnixTimeToDate(unixSeconds)), expected);
        // The same instant as a file time, with sub-second ticks that must be dropped.
        const FileTime ft = FileTimeFromUnix(unixSeconds, 999'999'900);
        QCOMPARE(DateToText(FileTimeToDate(ft)), expected);
        QCOMPARE(DateToText(FileTimeToDate(quint32(ft & 0xFFFFFFFFu), quint32(ft >> 32))), expected);
    }

    void fileTimeOutOfRange() {
        QCOMPARE(DateToText(FileTimeToDate(FileTime(0xFFFFFFFFFFFFFFFFULL))),
                 QStringLiteral("1899-12-30 00:00:00"));
        QCOMPARE(FileTimeToDate(FileTime(0x8000000000000000ULL)), ZeroDate());
        QCOMPARE(UnixTimeToDate(-kFileTimeEpochOffset - 1), ZeroDate());
    }

    void dateText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ok") << QStringLiteral("2024-02-29 23:59:59") << true;
        QTest::newRow("zero date") << QStringLiteral("1899-12-30 00:00:00") << true;
        QTest::newRow("no leap day") << QStringLiteral("2023-02-29 12:00:00") << false;
        QTest::newRow("hour 24") << QStringLiteral("2023-01-01 24:00:00") << false;
        QTest::newRow("short") << QStringLiteral("2023-01-01 12:00") << false;
        QTest::newRow("letters") << QStringLiteral("2023-0a-01 12:00:00") << false;
        QTest::newRow("T separator") << QStringLiteral("2023-01-01T12:00:00") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void dateText() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const QDateTime parsed = DateFromText(text);
        QCOMPARE(parsed.isValid(), valid);
        if (valid)
            QCOMPARE(DateToText(parsed), text);
    }
};

QTEST_GUILESS_MAIN(TestFileTime)
#include "tst_filetime.moc"
