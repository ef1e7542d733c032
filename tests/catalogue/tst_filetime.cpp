#include "FileTime.h"
#include "TextHelpers.h"

#include <QTest>
#include <ctime>
#include <limits>

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

    // The build's text of a file time, made without a date, must be the text of the date: on both
    // sides of summer time changes, at the ends of the range, and where the conversion fails.
    void unixTimeToText_data() {
        QTest::addColumn<qint64>("unixSeconds");
        QTest::addColumn<QString>("expected"); // empty: Null
        QTest::newRow("epoch") << qint64(0) << QStringLiteral("1970-01-01 01:00:00");
        QTest::newRow("one second before") << qint64(-1) << QStringLiteral("1970-01-01 00:59:59");
        QTest::newRow("before summer time") << qint64(1'679'792'399) << QStringLiteral("2023-03-26 01:59:59");
        QTest::newRow("summer time") << qint64(1'679'792'400) << QStringLiteral("2023-03-26 03:00:00");
        QTest::newRow("hour told twice, first")
            << qint64(1'698'537'600) << QStringLiteral("2023-10-29 02:00:00");
        QTest::newRow("hour told twice, second")
            << qint64(1'698'541'200) << QStringLiteral("2023-10-29 02:00:00");
        QTest::newRow("file time zero") << -kFileTimeEpochOffset << QStringLiteral("1601-01-01 01:00:00");
        QTest::newRow("before file times")
            << -kFileTimeEpochOffset - 1 << QStringLiteral("1899-12-30 00:00:00");
        QTest::newRow("last second of 9999")
            << qint64(253'402'297'199) << QStringLiteral("9999-12-31 23:59:59");
        QTest::newRow("year 10000") << qint64(253'402'297'200) << QString();
        QTest::newRow("past any calendar")
            << std::numeric_limits<qint64>::max() << QStringLiteral("1899-12-30 00:00:00");
        QTest::newRow("most negative")
            << std::numeric_limits<qint64>::min() << QStringLiteral("1899-12-30 00:00:00");
    }
    void unixTimeToText() {
        QFETCH(qint64, unixSeconds);
        QFETCH(QString, expected);
        QCOMPARE(DateToText(UnixTimeToDate(unixSeconds)), expected);
        char text[kDateTextSize];
        const int length = UnixTimeToText(unixSeconds, text);
        QCOMPARE(QString::fromLatin1(text, length), expected);
    }

    void unixTimeToTextOverTheYears() {
        // Steps of a prime number of seconds from 1601 to 2500: any drift from the date's rules shows.
        int failures = 0;
        char text[kDateTextSize];
        for (qint64 s = -kFileTimeEpochOffset; s < 16'725'225'600; s += 7'919'999) {
            const int length = UnixTimeToText(s, text);
            failures += QString::fromLatin1(text, length) != DateToText(UnixTimeToDate(s));
        }
        QCOMPARE(failures, 0);
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
