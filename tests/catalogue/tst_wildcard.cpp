#include "Wildcard.h"

#include <QTest>

using namespace vambrel;

class TestWildcard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void matches_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("expected");
        QTest::newRow("star dot star, no dot") << QStringLiteral("*.*") << QStringLiteral("README") << true;
        QTest::newRow("star, dotted") << QStringLiteral("*") << QStringLiteral("a.b") << true;
        QTest::newRow("empty pattern") << QString() << QStringLiteral("x") << true;
        QTest::newRow("extension, other case")
            << QStringLiteral("*.txt") << QStringLiteral("NOTE.TXT") << true;
        QTest::newRow("extension not last")
            << QStringLiteral("*.txt") << QStringLiteral("a.txt.bak") << false;
        QTest::newRow("no extension") << QStringLiteral("*.txt") << QStringLiteral("txt") << false;
        QTest::newRow("mark, accent") << QStringLiteral("?") << QStringLiteral("é") << true;
        QTest::newRow("mark, two") << QStringLiteral("?") << QStringLiteral("ab") << false;
        QTest::newRow("mark, none") << QStringLiteral("a?") << QStringLiteral("a") << false;
        QTest::newRow("mark, surrogate pair") << QStringLiteral("?") << QStringLiteral("😀") << true;
        QTest::newRow("two marks, one pair") << QStringLiteral("??") << QStringLiteral("😀") << false;
        QTest::newRow("accent folded") << QStringLiteral("É*") << QStringLiteral("école") << true;
        QTest::newRow("accent kept") << QStringLiteral("e*") << QStringLiteral("école") << false;
        QTest::newRow("final sigma") << QStringLiteral("Σ") << QStringLiteral("ς") << true;
        QTest::newRow("backtracking") << QStringLiteral("*a*b") << QStringLiteral("xaxxab") << true;
        QTest::newRow("backtracking fails") << QStringLiteral("*a*b") << QStringLiteral("xaxxbx") << false;
        QTest::newRow("dot star, no dot") << QStringLiteral("readme.*") << QStringLiteral("README") << true;
        QTest::newRow("dot star, longer") << QStringLiteral("readme.*") << QStringLiteral("readmex") << false;
        QTest::newRow("escaped byte")
            << QStringLiteral("*") + QChar(0xF7FF) << QStringLiteral("a") + QChar(0xF7FF) << true;
    }
    void matches() {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, expected);
        QCOMPARE(Wildcard(pattern).matches(name), expected);
    }

    void matchesAll() {
        QVERIFY(Wildcard(QStringLiteral("*.*")).matchesAll());
        QVERIFY(Wildcard(QStringLiteral("*")).matchesAll());
        QVERIFY(!Wildcard(QStringLiteral(".*")).matchesAll());
        QVERIFY(!Wildcard(QStringLiteral("?*")).matchesAll());
    }

    void manyStarsStayFast() {
        // A pathological pattern on a long name must not take exponential time.
        QVERIFY(!Wildcard(QStringLiteral("*a*a*a*a*a*a*a*a*b")).matches(QString(5000, QLatin1Char('a'))));
    }
};

QTEST_GUILESS_MAIN(TestWildcard)
#include "tst_wildcard.moc"
