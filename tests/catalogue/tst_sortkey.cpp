#include "CatalogueWriter.h"
#include "Database.h"
#include "Snapshot.h"
#include "SortKey.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;
using namespace Qt::StringLiterals;

namespace {

int sign(int v) {
    return (v > 0) - (v < 0);
}

QString randomName(QRandomGenerator& rng, bool ascii, int maxLength = 12) {
    static const QString alphabet = u"aAbBeEzZ09 -_.,'()[]~!#$%&+;=@^`{}"_s;
    static const QString accented = u"éÉèàçÇœŒßøÅñ\u0301\u00ad\u0142\u01c4"_s;
    QString s;
    const int length = int(rng.bounded(1, maxLength));
    for (int i = 0; i < length; ++i) {
        if (!ascii && rng.bounded(4) == 0)
            s += accented[rng.bounded(accented.size())];
        else
            s += alphabet[rng.bounded(alphabet.size())];
    }
    return s;
}

} // namespace

class TestSortKey : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // The fast path for plain ASCII must give the collator's own answer, or sorts would be inconsistent.
    void fastPathAgreesWithCollator_data() {
        QTest::addColumn<bool>("ascii");
        QTest::addColumn<bool>("sharedStart");
        QTest::newRow("ascii pairs") << true << false;
        QTest::newRow("mixed pairs") << false << false;
        // Long names alike on their first characters: the prefix decides far into them.
        QTest::newRow("ascii pairs sharing a start") << true << true;
        QTest::newRow("mixed pairs sharing a start") << false << true;
    }
    void fastPathAgreesWithCollator() {
        QFETCH(bool, ascii);
        QFETCH(bool, sharedStart);
        QRandomGenerator rng((ascii ? 1 : 2) + (sharedStart ? 2 : 0));
        for (int i = 0; i < 20000; ++i) {
            const QString a = randomName(rng, ascii, sharedStart ? 24 : 12);
            QString b = rng.bounded(5) == 0 ? a.toUpper() : randomName(rng, ascii, sharedStart ? 24 : 12);
            if (sharedStart && rng.bounded(5) != 0)
                b = a.left(int(rng.bounded(6, 18))) + randomName(rng, ascii, 8);
            const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
            const int fast = sign(CompareNamesUtf8(std::string_view(ua.constData(), size_t(ua.size())),
                                                   std::string_view(ub.constData(), size_t(ub.size()))));
            const int reference = sign(CompareNames(a, b));
            if (fast != reference)
                QFAIL(qPrintable(u"« %1 » vs « %2 »: %3, expected %4"_s.arg(a, b).arg(fast).arg(reference)));
            QCOMPARE(sign(SortKey(a).compare(SortKey(b))), reference);
            // A prefix either decides as the collator does, or leaves the decision to it.
            const int byPrefix =
                sign(CompareNamePrefixes(MakeNamePrefix({ua.constData(), size_t(ua.size())}),
                                         MakeNamePrefix({ub.constData(), size_t(ub.size())})));
            if (byPrefix != 0 && byPrefix != reference)
                QFAIL(qPrintable(
                    u"prefix: « %1 » vs « %2 »: %3, expected %4"_s.arg(a, b).arg(byPrefix).arg(reference)));
        }
    }

    void names_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("expected");
        QTest::newRow("case only") << u"abc"_s << u"ABC"_s << -1;
        QTest::newRow("case after letters") << u"ABC"_s << u"abd"_s << -1;
        QTest::newRow("accent secondary") << u"cote"_s << u"côte"_s << -1;
        QTest::newRow("accent before next letter") << u"côte"_s << u"coter"_s << -1;
        QTest::newRow("prefix first") << u"abc"_s << u"abcd"_s << -1;
        QTest::newRow("digits before letters") << u"9"_s << u"a"_s << -1;
        QTest::newRow("equal") << u"Même"_s << u"Même"_s << 0;
        QTest::newRow("empty first") << u""_s << u"a"_s << -1;
    }
    void names() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, expected);
        const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
        QCOMPARE(sign(CompareNames(a, b)), expected);
        QCOMPARE(
            sign(CompareNamesUtf8({ua.constData(), size_t(ua.size())}, {ub.constData(), size_t(ub.size())})),
            expected);
        QCOMPARE(sign(CompareNames(b, a)), -expected);
    }

    // Sorting in memory gives the same order as the SQL ordering by name.
    void sortedMatchesSqlOrdering() {
        Database db;
        QVERIFY(db.create(m_dir.filePath(u"sorted.dat"_s), DbKind::Catalogue));
        CatalogueWriter w(db);
        QRandomGenerator rng(3);
        const int folders = 40;
        for (int f = 0; f < folders; ++f)
            QVERIFY(w.addFolder(f, u"/d/"_s + randomName(rng, f % 2 == 0) + QString::number(f)));
        for (int i = 0; i < 3000; ++i) {
            const QString name = randomName(rng, i % 3 != 0) + QString::number(i);
            QVERIFY(w.addFile({i, int(rng.bounded(folders)), name, qint64(rng.bounded(100)), QDateTime(),
                               i % 7 == 0 ? QString() : u"T"_s + QString::number(rng.bounded(5))}));
        }
        QVERIFY(w.commit());
        const QString base = u"SELECT Folders.Nom, Files.Nom, Files.NumId FROM Folders INNER JOIN Files "
                             "ON Files.Num = Folders.Num"_s;
        auto viaSql = Snapshot::open(db, base + u" ORDER BY "_s + OrderByName(u"Folders.Nom"_s) + u", "_s +
                                             OrderByName(u"Files.Nom"_s));
        auto inMemory = Snapshot::open(db, base, {}, {{u"Folders.Nom"_s}, {u"Files.Nom"_s}});
        QVERIFY(viaSql.ok() && inMemory.ok());
        QCOMPARE(inMemory->recordCount(), viaSql->recordCount());
        for (bool ok = viaSql->moveFirst(); ok; ok = viaSql->moveNext()) {
            QCOMPARE(inMemory->value(2).toLongLong(), viaSql->value(2).toLongLong());
            inMemory->moveNext();
        }
    }

    void sortedByValueAndStability() {
        Database db;
        QVERIFY(db.create(m_dir.filePath(u"values.dat"_s), DbKind::Catalogue));
        CatalogueWriter w(db);
        QVERIFY(w.addFolder(0, u"/"_s));
        const QList<qint64> sizes{5, 3, 5, 1, 3};
        const QStringList types{u"b"_s, u"a"_s, QString(), u"a"_s, u"b"_s};
        for (int i = 0; i < sizes.size(); ++i)
            QVERIFY(w.addFile({i, 0, QStringLiteral("f%1").arg(i), sizes[i], QDateTime(), types[i]}));
        QVERIFY(w.commit());
        auto base = Snapshot::open(db, u"SELECT NumId, Taille, Type FROM Files ORDER BY NumId"_s);
        QVERIFY(base.ok());
        auto ids = [](Snapshot s) {
            QList<qint64> out;
            for (bool ok = s.moveFirst(); ok; ok = s.moveNext())
                out << s.value(0).toLongLong();
            return out;
        };
        QCOMPARE(ids(base->sorted({{u"Taille"_s, SortKind::Value}}).value()), (QList<qint64>{3, 1, 4, 0, 2}));
        QCOMPARE(ids(base->sorted({{u"Taille"_s, SortKind::Value, true}}).value()),
                 (QList<qint64>{0, 2, 1, 4, 3}));
        // Null first; equal types keep the order they had.
        auto byType = base->sorted({{u"Type"_s}});
        QCOMPARE(ids(byType.value()), (QList<qint64>{2, 1, 3, 0, 4}));
        // Re-sorting a sorted snapshot keeps its order among equals, not the stored one.
        auto bySizeDesc = base->sorted({{u"Taille"_s, SortKind::Value, true}}).value();
        QCOMPARE(ids(bySizeDesc.sorted({{u"Type"_s}}).value()), (QList<qint64>{2, 1, 3, 0, 4}));
        QVERIFY(!base->sorted({{u"Absent"_s}}).ok());
    }
};

QTEST_GUILESS_MAIN(TestSortKey)
#include "tst_sortkey.moc"
