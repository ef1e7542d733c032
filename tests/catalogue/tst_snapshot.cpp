#include "BulkAllocator.h"
#include "CatalogueWriter.h"
#include "Database.h"
#include "FileTime.h"
#include "Snapshot.h"
#include "SortKey.h"
#include "SqliteStatement.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <sys/mman.h>
#include <unistd.h>

using namespace vambrel;
using namespace Qt::StringLiterals;

class TestSnapshot : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    Database m_db;

    Snapshot open(const QString& sql) {
        auto r = Snapshot::open(m_db, sql);
        if (!r)
            qWarning() << r.error();
        return r ? r.value() : Snapshot();
    }

private Q_SLOTS:
    // A bulk array is mapped on a huge-page boundary and keeps nothing of its mapping beyond its
    // last page, whatever its size; freeing it gives the whole range back.
    void bulkMappingKeepsNoTail_data() {
        QTest::addColumn<qint64>("bytes");
        const qint64 huge = qint64(BulkAllocator<char>::kHugePage);
        QTest::newRow("one huge page") << huge;
        QTest::newRow("a byte more") << huge + 1;
        QTest::newRow("a page less a byte more") << huge + 4095;
        QTest::newRow("a page more") << huge + 4096;
        QTest::newRow("several pages and a part") << 5 * huge + 123;
    }
    void bulkMappingKeepsNoTail() {
        QFETCH(qint64, bytes);
        const size_t page = size_t(getpagesize());
        auto* p = static_cast<char*>(BulkAllocator<char>::mapBulk(size_t(bytes)));
        QCOMPARE(reinterpret_cast<uintptr_t>(p) % BulkAllocator<char>::kHugePage, uintptr_t(0));
        p[0] = 1;
        p[bytes - 1] = 2;
        const size_t kept = (size_t(bytes) + page - 1) / page * page;
        // msync fails with ENOMEM on a range that is not mapped.
        QCOMPARE(::msync(p + kept, page, MS_ASYNC), -1);
        QCOMPARE(errno, ENOMEM);
        BulkAllocator<char>::unmapBulk(p, size_t(bytes));
        QCOMPARE(::msync(p + kept - page, page, MS_ASYNC), -1);
        QCOMPARE(errno, ENOMEM);
    }

    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_db.create(m_dir.filePath(u"snap.dat"_s), DbKind::Catalogue));
        CatalogueWriter w(m_db);
        QVERIFY(w.addFolder(0, u"/disque"_s));
        QVERIFY(w.addFolder(1, u"/disque/Été"_s));
        QVERIFY(w.addFolder(2, u"/disque/eau"_s));
        const QStringList names{u"b.txt"_s, u"A.txt"_s, u"été.txt"_s, u"Zèbre"_s, u"c.TXT"_s};
        for (int i = 0; i < names.size(); ++i)
            QVERIFY(w.addFile({i, i % 3, names[i], i * 10, QDateTime(), i == 4 ? QString() : u"Texte"_s}));
        VersionStrings s;
        s.companyName = QString(u""_s);
        QVERIFY(w.addVersion(2, &s, nullptr));
        QVERIFY(w.commit());
    }

    void positionsAndMoves_data() {
        QTest::addColumn<QString>("ops");
        QTest::addColumn<qint64>("position");
        QTest::addColumn<bool>("bof");
        QTest::addColumn<bool>("eof");
        QTest::newRow("opened") << u""_s << qint64(0) << false << false;
        QTest::newRow("last") << u"L"_s << qint64(4) << false << false;
        QTest::newRow("past last") << u"LN"_s << qint64(-1) << false << true;
        QTest::newRow("next at eof stays") << u"LNN"_s << qint64(-1) << false << true;
        QTest::newRow("back from eof") << u"LNP"_s << qint64(4) << false << false;
        QTest::newRow("before first") << u"P"_s << qint64(-1) << true << false;
        QTest::newRow("previous at bof stays") << u"PP"_s << qint64(-1) << true << false;
        QTest::newRow("next from bof") << u"PN"_s << qint64(0) << false << false;
        QTest::newRow("move +3") << u"+3"_s << qint64(3) << false << false;
        QTest::newRow("move past end") << u"+5"_s << qint64(-1) << false << true;
        QTest::newRow("move far past end") << u"+9999999999"_s << qint64(-1) << false << true;
        QTest::newRow("move -1 from first") << u"-1"_s << qint64(-1) << true << false;
        QTest::newRow("move far back from last") << u"L-9999999999"_s << qint64(-1) << true << false;
        QTest::newRow("move back from eof") << u"LN-2"_s << qint64(3) << false << false;
        QTest::newRow("move from bof") << u"P+1"_s << qint64(0) << false << false;
        QTest::newRow("absolute 2") << u"A2"_s << qint64(2) << false << false;
        QTest::newRow("absolute out of range keeps") << u"A3A5"_s << qint64(3) << false << false;
        QTest::newRow("absolute negative keeps") << u"A1A-1"_s << qint64(1) << false << false;
        QTest::newRow("first after eof") << u"LNF"_s << qint64(0) << false << false;
    }
    void positionsAndMoves() {
        QFETCH(QString, ops);
        QFETCH(qint64, position);
        QFETCH(bool, bof);
        QFETCH(bool, eof);
        Snapshot s = open(u"SELECT NumId FROM Files ORDER BY NumId"_s);
        QCOMPARE(s.recordCount(), qint64(5));
        qsizetype i = 0;
        auto number = [&]() {
            qsizetype j = i;
            while (j < ops.size() && (ops[j].isDigit() || (j == i && ops[j] == u'-')))
                ++j;
            const qint64 n = ops.mid(i, j - i).toLongLong();
            i = j;
            return n;
        };
        while (i < ops.size()) {
            const QChar op = ops[i++];
            if (op == u'F')
                s.moveFirst();
            else if (op == u'L')
                s.moveLast();
            else if (op == u'N')
                s.moveNext();
            else if (op == u'P')
                s.movePrevious();
            else if (op == u'+')
                s.move(number());
            else if (op == u'-') {
                --i;
                s.move(number());
            } else if (op == u'A')
                s.setAbsolutePosition(number());
        }
        QCOMPARE(s.absolutePosition(), position);
        QCOMPARE(s.bof(), bof);
        QCOMPARE(s.eof(), eof);
        if (position >= 0)
            QCOMPARE(s.value(0).toLongLong(), position);
        else
            QVERIFY(!s.value(0).isValid());
    }

    void emptySnapshot() {
        Snapshot s = open(u"SELECT * FROM Files WHERE Num = 99"_s);
        QVERIFY(s.isValid());
        QCOMPARE(s.recordCount(), qint64(0));
        QVERIFY(s.bof() && s.eof());
        QVERIFY(!s.moveFirst());
        QVERIFY(!s.moveNext());
        QVERIFY(!s.move(1));
        QVERIFY(s.bof() && s.eof());
        QVERIFY(!s.setAbsolutePosition(0));
        QCOMPARE(s.fieldCount(), 6);
    }

    void fieldNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::newRow("qualified folder") << u"Folders.Nom"_s << 0;
        QTest::newRow("qualified file") << u"Files.Nom"_s << 1;
        QTest::newRow("bracketed") << u"[Files].[Nom]"_s << 1;
        QTest::newRow("bang") << u"Folders!Nom"_s << 0;
        QTest::newRow("case") << u"files.NOM"_s << 1;
        QTest::newRow("ambiguous bare name") << u"Nom"_s << -1;
        QTest::newRow("unique bare name") << u"Taille"_s << 2;
        QTest::newRow("alias") << u"Chemin"_s << 3;
        QTest::newRow("accented field") << u"Files.Modifié"_s << 4;
        QTest::newRow("absent") << u"Files.Absent"_s << -1;
        QTest::newRow("empty") << u""_s << -1;
    }
    void fieldNames() {
        QFETCH(QString, name);
        QFETCH(int, index);
        Snapshot s =
            open(u"SELECT Folders.Nom, Files.Nom, Files.Taille, Folders.Nom || '/' || Files.Nom AS Chemin, "
                 "Files.\"Modifié\" FROM Folders INNER JOIN Files ON Files.Num = Folders.Num"_s);
        QCOMPARE(s.fieldIndex(name), index);
        if (index >= 0)
            QCOMPARE(s.value(name), s.value(index));
    }

    void nullIsNotEmpty() {
        Snapshot s = open(u"SELECT Files.NumId, Files.Type, Version.Organisation, Version.\"Version du "
                          u"fichier\" FROM Files "
                          "LEFT JOIN Version ON Files.NumId = Version.NumId ORDER BY Files.NumId"_s);
        QVERIFY(s.setAbsolutePosition(2));
        QVERIFY(!s.isNull(2));
        QCOMPARE(s.value(2).toString(), QString());
        QVERIFY(!s.value(2).isNull());
        QVERIFY(s.isNull(3));
        QVERIFY(s.value(3).isNull());
        QVERIFY(s.setAbsolutePosition(0));
        QVERIFY(s.isNull(2)); // outer join: no version row
        QVERIFY(s.setAbsolutePosition(4));
        QVERIFY(s.isNull(1)); // Type written as Null
    }

    void findFirstAndNext_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("cs");
        QTest::addColumn<QList<qint64>>("hits");
        const int ci = Qt::CaseInsensitive, cs = Qt::CaseSensitive;
        QTest::newRow("exact") << u"Nom"_s << QVariant(u"b.txt"_s) << ci << QList<qint64>{0};
        QTest::newRow("case folded accents") << u"Nom"_s << QVariant(u"ÉTÉ.TXT"_s) << ci << QList<qint64>{2};
        QTest::newRow("case sensitive misses") << u"Nom"_s << QVariant(u"ÉTÉ.TXT"_s) << cs << QList<qint64>{};
        QTest::newRow("accents matter") << u"Nom"_s << QVariant(u"ete.txt"_s) << ci << QList<qint64>{};
        QTest::newRow("number") << u"Num"_s << QVariant(1) << ci << QList<qint64>{1, 4};
        QTest::newRow("number as long") << u"Taille"_s << QVariant(qint64(30)) << ci << QList<qint64>{3};
        QTest::newRow("type several") << u"Type"_s << QVariant(u"texte"_s) << ci << QList<qint64>{0, 1, 2, 3};
        QTest::newRow("null") << u"Type"_s << QVariant() << ci << QList<qint64>{4};
        QTest::newRow("unknown field") << u"Rien"_s << QVariant(1) << ci << QList<qint64>{};
    }
    void findFirstAndNext() {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QFETCH(int, cs);
        QFETCH(QList<qint64>, hits);
        Snapshot s = open(u"SELECT * FROM Files ORDER BY NumId"_s);
        QVERIFY(s.setAbsolutePosition(3));
        QList<qint64> found;
        bool ok = s.findFirst(field, value, Qt::CaseSensitivity(cs));
        while (ok) {
            QVERIFY(!s.noMatch());
            found << s.absolutePosition();
            ok = s.findNext(field, value, Qt::CaseSensitivity(cs));
        }
        QCOMPARE(found, hits);
        QVERIFY(s.noMatch());
        // A failed search leaves the position where it was.
        QCOMPARE(s.absolutePosition(), hits.isEmpty() ? qint64(3) : hits.last());
    }

    void cloneHasItsOwnPosition() {
        Snapshot s = open(u"SELECT NumId FROM Files ORDER BY NumId"_s);
        QVERIFY(s.setAbsolutePosition(1));
        Snapshot c = s.clone();
        QCOMPARE(c.recordCount(), s.recordCount());
        QVERIFY(c.moveLast());
        QCOMPARE(s.absolutePosition(), qint64(1));
        QCOMPARE(c.absolutePosition(), qint64(4));
        QVERIFY(s.moveNext());
        QCOMPARE(c.value(0).toLongLong(), 4);
        QCOMPARE(s.value(0).toLongLong(), 2);
    }

    void survivesDatabaseClose() {
        Database db;
        QVERIFY(db.open(m_db.path(), OpenMode::ReadOnly));
        auto r = Snapshot::open(db, u"SELECT Nom FROM Files ORDER BY NumId"_s);
        QVERIFY(r.ok());
        db.close();
        Snapshot s = r.value();
        QVERIFY(s.moveLast());
        QCOMPARE(s.value(0).toString(), u"c.TXT"_s);
    }

    void badQueryIsAnError() {
        auto r = Snapshot::open(m_db, u"SELECT Absent FROM Files"_s);
        QVERIFY(!r.ok());
        QVERIFY(!r.error().isEmpty());
        Database closed;
        QVERIFY(!Snapshot::open(closed, u"SELECT 1"_s).ok());
    }

    void parameters() {
        auto r =
            Snapshot::open(m_db, u"SELECT Nom FROM Files WHERE Num = ?1 AND Taille >= ?2 ORDER BY NumId"_s,
                           {QVariant(1), QVariant(qint64(20))});
        QVERIFY(r.ok());
        QCOMPARE(r->recordCount(), qint64(1));
        QCOMPARE(r->value(0).toString(), u"c.TXT"_s);
    }

    void nameOrdering_data() {
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("case ignored") << QStringList{u"a"_s, u"B"_s, u"c"_s, u"D"_s};
        QTest::newRow("accents secondary") << QStringList{u"cote"_s, u"côte"_s, u"Côte"_s, u"coter"_s};
        QTest::newRow("accented letters with their base")
            << QStringList{u"eau"_s, u"Été"_s, u"étude"_s, u"Zèbre"_s};
        QTest::newRow("paths") << QStringList{u"/usr"_s, u"/usr/lib"_s, u"/usr/lib/x"_s, u"/usr/lib64"_s};
    }
    void nameOrdering() {
        QFETCH(QStringList, sorted);
        // Through SQL, as the queries that order by name use it.
        Database db;
        QVERIFY(db.create(
            m_dir.filePath(QStringLiteral("order-%1.dat").arg(QString::fromUtf8(QTest::currentDataTag()))),
            DbKind::NewFilesList));
        CatalogueWriter w(db);
        QStringList shuffled = sorted;
        std::reverse(shuffled.begin(), shuffled.end());
        std::swap(shuffled.first(), shuffled[1]);
        for (int i = 0; i < shuffled.size(); ++i)
            QVERIFY(w.addFolder(i, shuffled[i]));
        QVERIFY(w.commit());
        auto r = Snapshot::open(db, u"SELECT Nom FROM Folders ORDER BY "_s + OrderByName(u"Nom"_s));
        QVERIFY(r.ok());
        QStringList got;
        for (bool ok = r->moveFirst(); ok; ok = r->moveNext())
            got << r->value(0).toString();
        QCOMPARE(got, sorted);
        for (int i = 1; i < sorted.size(); ++i) {
            QVERIFY(CompareNames(sorted[i - 1], sorted[i]) < 0);
            QVERIFY(SortKey(sorted[i - 1]) < SortKey(sorted[i]));
        }
    }

    // Large results are sorted in halves on two threads and merged: the order must be exactly
    // the database's, ties kept in the query's order, and a second sort must start from the first.
    void largeSortsMatchTheDatabase_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QString>("orderBy");
        QTest::newRow("names, many ties") << u"Files.Nom"_s << int(SortKind::Name) << false
                                          << OrderByName(u"Files.Nom"_s) + u", Files.NumId"_s;
        QTest::newRow("names descending") << u"Files.Nom"_s << int(SortKind::Name) << true
                                          << OrderByName(u"Files.Nom"_s) + u" DESC, Files.NumId"_s;
        QTest::newRow("types, nulls first")
            << u"Files.Type"_s << int(SortKind::Value) << false << u"Files.Type, Files.NumId"_s;
        // Names ranked once and kept with the rows break the ties of the next sort.
        QTest::newRow("types, then names")
            << u"Files.Type"_s << int(SortKind::Value) << true
            << u"Files.Type DESC, "_s + OrderByName(u"Files.Nom"_s) + u", Files.NumId"_s;
    }
    void largeSortsMatchTheDatabase() {
        QFETCH(QString, field);
        QFETCH(int, kind);
        QFETCH(bool, descending);
        QFETCH(QString, orderBy);
        const QString path = m_dir.filePath(u"large.dat"_s);
        Database db;
        if (QFile::exists(path)) {
            QVERIFY(db.open(path, OpenMode::ReadOnly, DbKind::Catalogue));
        } else {
            QVERIFY(db.create(path, DbKind::Catalogue));
            CatalogueWriter w(db);
            QVERIFY(w.addFolder(0, u"/d"_s));
            QRandomGenerator rng(7);
            const QStringList common{u"a.txt"_s, u"É.txt"_s, u"e.txt"_s, u"B"_s, u"b"_s};
            for (int i = 0; i < 100'000; ++i) {
                const QString name = rng.bounded(2) == 0 ? common[rng.bounded(common.size())]
                                                         : QStringLiteral("n%1").arg(rng.bounded(50'000));
                const QString type =
                    rng.bounded(5) == 0 ? QString() : QStringLiteral("t%1").arg(rng.bounded(30));
                QVERIFY(w.addFile({i, 0, name, 0, QDateTime(), type}));
            }
            QVERIFY(w.commit());
        }
        const QString select = u"SELECT Files.NumId, Files.Nom, Files.Type FROM Files"_s;
        auto expected = Snapshot::open(db, select + u" ORDER BY "_s + orderBy);
        QList<SortColumn> order{{field, SortKind(kind), descending}};
        if (orderBy.contains(u"vsortkey"_s) && field != u"Files.Nom"_s)
            order.append({u"Files.Nom"_s, SortKind::Name, false});
        auto memory = Snapshot::open(db, select + u" ORDER BY Files.NumId"_s, {}, order);
        QVERIFY(expected.ok() && memory.ok());
        const auto ids = [](Snapshot& s) {
            std::vector<qint64> out;
            for (bool ok = s.moveFirst(); ok; ok = s.moveNext())
                out.push_back(s.value(0).toLongLong());
            return out;
        };
        const std::vector<qint64> want = ids(expected.value());
        QCOMPARE(want.size(), size_t(100'000));
        QVERIFY(ids(memory.value()) == want);
        // Sorted again from a shuffled order by NumId descending: ties now follow that order.
        auto byIdDown = memory->sorted({{u"Files.NumId"_s, SortKind::Value, true}});
        QVERIFY(byIdDown.ok());
        auto again = byIdDown->sorted(order);
        QVERIFY(again.ok());
        auto expectedDown = Snapshot::open(
            db, select + u" ORDER BY "_s + QString(orderBy).replace(u"Files.NumId"_s, u"Files.NumId DESC"_s));
        QVERIFY(expectedDown.ok());
        QVERIFY(ids(again.value()) == ids(expectedDown.value()));
    }

    // Every kind of column a sort ranks, in both directions, alone and before a second column,
    // against SQLite's ORDER BY; ties keep the order the rows were read in. The large size sorts
    // its halves on two threads.
    void valueSortsMatchTheDatabase_data() {
        QTest::addColumn<QString>("values");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("rows");
        for (int rows : {300, 70'000}) {
            const struct {
                const char* tag;
                const char* values;
                SortKind kind;
            } cases[] = {
                // Dates: equal values, equal first sixteen bytes, and texts that are not dates
                // (too short, too long past the first 24 bytes, a zero byte inside).
                // too long past the first 24 bytes, a zero byte inside).
                {"dates", "dates", SortKind::Value},
                {"integers", "integers", SortKind::Value},
                // Null, integers, reals, texts and blobs in one column, as a forged catalogue may hold.
                {"mixed kinds", "mixed", SortKind::Value},
                {"names", "names", SortKind::Name},
                // Few distinct texts: ranked by their distinct values alone.
                {"repeated names", "repeated", SortKind::Name},
            };
            for (const auto& c : cases)
                QTest::addRow("%s, %d rows", c.tag, rows)
                    << QString::fromUtf8(c.values) << int(c.kind) << rows;
        }
    }
    void valueSortsMatchTheDatabase() {
        QFETCH(QString, values);
        QFETCH(int, kind);
        QFETCH(int, rows);
        Database db;
        QVERIFY(db.create(m_dir.filePath(QStringLiteral("values-%1-%2.dat").arg(values).arg(rows)),
                          DbKind::Catalogue));
        QVERIFY(db.exec(u"CREATE TABLE T (id INTEGER, v, w INTEGER)"_s));
        QVERIFY(db.exec(u"BEGIN"_s));
        SqliteStatement insert(db.handle(), "INSERT INTO T (id, v, w) VALUES (?1, ?2, ?3)");
        QRandomGenerator rng(11);
        const QStringList oddTexts{u""_s,
                                   u"2020-01-01 00:00:0"_s,
                                   u"2020-01-01 00:00:00 et la suite"_s,
                                   u"2020-01-01 00:00:00 et la fin"_s,
                                   u"abc"_s,
                                   u"2020-13-45 99:99:99"_s};
        const QStringList names{u"été.txt"_s,
                                u"Été.txt"_s,
                                u"ete.txt"_s,
                                u"B"_s,
                                u"b"_s,
                                u"zèbre"_s,
                                u"un nom bien plus long que seize"_s,
                                u"un nom bien plus long que seize."_s,
                                u"Un nom bien plus long que seize"_s,
                                u"æther"_s,
                                u"a"_s};
        for (int i = 0; i < rows; ++i) {
            QVERIFY(insert.reset());
            QVERIFY(insert.bindInt(1, i));
            const quint32 pick = rng.bounded(20);
            sqlite3_stmt* st = insert.get();
            if (pick == 0) {
                QVERIFY(insert.bindNull(2));
            } else if (values == u"dates"_s) {
                if (pick == 1) {
                    QVERIFY(insert.bindText(2, oddTexts[rng.bounded(oddTexts.size())]));
                } else if (pick == 2) {
                    // "2020-01-01", then with a zero byte, then with "x" after it: equal first bytes.
                    QVERIFY(sqlite3_bind_text(st, 2, "2020-01-01\0x", 10 + int(rng.bounded(3)),
                                              SQLITE_TRANSIENT) == SQLITE_OK);
                } else {
                    // Mostly distinct seconds, many in the same minute, some equal.
                    const QDateTime date =
                        QDateTime(QDate(2020, 1, 1), QTime(0, 0)).addSecs(qint64(rng.bounded(quint32(rows))));
                    QVERIFY(insert.bindText(2, DateToText(date)));
                }
            } else if (values == u"integers"_s) {
                const qint64 extremes[] = {std::numeric_limits<qint64>::min(), -1, 0, 1,
                                           std::numeric_limits<qint64>::max()};
                QVERIFY(insert.bindInt(2, pick < 5 ? extremes[pick] : qint64(rng.bounded(1000)) - 500));
            } else if (values == u"mixed"_s) {
                switch (pick % 4) {
                case 0:
                    QVERIFY(insert.bindInt(2, qint64(rng.bounded(50)) - 25));
                    break;
                case 1:
                    QVERIFY(sqlite3_bind_double(st, 2, double(rng.bounded(50)) / 2 - 12) == SQLITE_OK);
                    break;
                case 2:
                    QVERIFY(insert.bindText(2, oddTexts[rng.bounded(oddTexts.size())]));
                    break;
                default:
                    QVERIFY(sqlite3_bind_blob(st, 2, "\x01\x00\x02", int(rng.bounded(4)), SQLITE_TRANSIENT) ==
                            SQLITE_OK);
                }
            } else if (values == u"names"_s) {
                QVERIFY(insert.bindText(2, pick < 10 ? names[rng.bounded(names.size())]
                                                     : QStringLiteral("n%1").arg(rng.bounded(100'000))));
            } else {
                QVERIFY(insert.bindText(2, names[rng.bounded(names.size())]));
            }
            QVERIFY(insert.bindInt(3, rng.bounded(3)));
            QCOMPARE(insert.step(), SQLITE_DONE);
        }
        QVERIFY(db.exec(u"COMMIT"_s));

        const auto ids = [](Snapshot& s) {
            std::vector<qint64> out;
            for (bool ok = s.moveFirst(); ok; ok = s.moveNext())
                out.push_back(s.value(0).toLongLong());
            return out;
        };
        auto base = Snapshot::open(db, u"SELECT id, v, w FROM T ORDER BY id"_s);
        QVERIFY(base.ok());
        const QString term = kind == int(SortKind::Name) ? OrderByName(u"v"_s) : u"v"_s;
        for (bool descending : {false, true}) {
            for (bool second : {false, true}) {
                QList<SortColumn> order{{u"v"_s, SortKind(kind), descending}};
                QString orderBy = term + (descending ? u" DESC"_s : QString());
                if (second) {
                    // The second column first: the ranks of the first then come from the rows.
                    order.prepend({u"w"_s, SortKind::Value, true});
                    orderBy = u"w DESC, "_s + orderBy;
                }
                auto expected = Snapshot::open(db, u"SELECT id FROM T ORDER BY "_s + orderBy + u", id"_s);
                auto memory = base->sorted(order);
                QVERIFY(expected.ok() && memory.ok());
                QVERIFY2(ids(memory.value()) == ids(expected.value()),
                         qPrintable(QStringLiteral("%1 %2").arg(orderBy).arg(second)));
            }
        }
    }

    // Parts read at once on two connections are one reading: the same rows in the same order, the
    // repeated texts of the later part (stored once, referred to by where they are) still read
    // back, and sorts of the whole still right.
    void partsReadAsOne() {
        const QString path = m_dir.filePath(u"parts.dat"_s);
        Database db;
        QVERIFY(db.create(path, DbKind::Catalogue));
        QVERIFY(db.exec(u"CREATE TABLE T (id INTEGER, v, w)"_s));
        QVERIFY(db.exec(u"BEGIN"_s));
        SqliteStatement insert(db.handle(), "INSERT INTO T (id, v, w) VALUES (?1, ?2, ?3)");
        QRandomGenerator rng(5);
        // Enough rows for several chunks of packed rows in each part.
        const int rows = 150'000;
        for (int i = 0; i < rows; ++i) {
            QVERIFY(insert.reset());
            QVERIFY(insert.bindInt(1, i));
            QVERIFY(insert.bindText(2, QStringLiteral("dossier répété %1").arg(rng.bounded(40))));
            if (i % 9 == 0)
                QVERIFY(insert.bindNull(3));
            else
                QVERIFY(insert.bindText(3, QStringLiteral("nom %1 assez long pour remplir").arg(i)));
            QCOMPARE(insert.step(), SQLITE_DONE);
        }
        QVERIFY(db.exec(u"COMMIT"_s));
        Database second;
        QVERIFY(second.open(path, OpenMode::ReadOnly));
        const QString sql = u"SELECT id, v, w FROM T"_s;
        auto whole = Snapshot::open(db, sql);
        auto parts = Snapshot::openParts({&db, &second}, sql + u" WHERE _rowid_ BETWEEN ?1 AND ?2"_s,
                                         {{1, 60'000}, {60'001, rows}});
        QVERIFY(whole.ok() && parts.ok());
        QCOMPARE(parts->recordCount(), qint64(rows));
        for (bool more = whole->moveFirst() && parts->moveFirst(); more; more = whole->moveNext()) {
            for (int c = 0; c < 3; ++c) {
                if (parts->value(c) != whole->value(c) || parts->isNull(c) != whole->isNull(c))
                    QFAIL(
                        qPrintable(QStringLiteral("row %1, field %2").arg(whole->absolutePosition()).arg(c)));
            }
            parts->moveNext();
        }
        const QList<SortColumn> order{{u"v"_s, SortKind::Name, true}, {u"w"_s, SortKind::Value, false}};
        auto sortedWhole = whole->sorted(order);
        auto sortedParts = parts->sorted(order);
        QVERIFY(sortedWhole.ok() && sortedParts.ok());
        for (bool more = sortedWhole->moveFirst() && sortedParts->moveFirst(); more;
             more = sortedWhole->moveNext() && sortedParts->moveNext())
            QCOMPARE(sortedParts->value(0), sortedWhole->value(0));
        // A part that fails fails the whole.
        QVERIFY(
            !Snapshot::openParts({&db, &second}, u"SELECT nothing FROM T WHERE ?1 < ?2"_s, {{1, 2}, {3, 4}})
                 .ok());
    }

    // Repeated texts are stored once; every value must still read back exactly.
    void packedRowsMatchTheDatabase() {
        Database db;
        QVERIFY(db.create(m_dir.filePath(u"packed.dat"_s), DbKind::Catalogue));
        CatalogueWriter w(db);
        QRandomGenerator rng(42);
        const QStringList types{u"Texte"_s, u"Image"_s, u"Fichier"_s, u"Document PDF"_s};
        const int folders = 50, files = 20000;
        for (int f = 0; f < folders; ++f)
            QVERIFY(w.addFolder(f, QStringLiteral("/d/dossier %1").arg(f)));
        for (int i = 0; i < files; ++i) {
            const QString name = rng.bounded(4) == 0 ? u"commun.txt"_s
                                                     : QStringLiteral("f%1-%2").arg(i).arg(rng.bounded(1000));
            const QString type = rng.bounded(10) == 0 ? QString() : types[rng.bounded(types.size())];
            QVERIFY(w.addFile(
                {i, int(rng.bounded(folders)), name, qint64(rng.generate64() >> 2), QDateTime(), type}));
        }
        QVERIFY(w.commit());
        const QString sql =
            u"SELECT Folders.Nom, Files.Nom, Files.Taille, Files.Type, Files.NumId FROM Files "
            "INNER JOIN Folders ON Files.Num = Folders.Num ORDER BY Folders.Num, Files.NumId"_s;
        auto r = Snapshot::open(db, sql);
        QVERIFY(r.ok());
        QCOMPARE(r->recordCount(), qint64(files));
        SqliteStatement st(db.handle(), sql);
        qint64 row = 0;
        while (st.step() == SQLITE_ROW) {
            QVERIFY(r->setAbsolutePosition(row));
            for (int c = 0; c < 5; ++c) {
                const bool null = sqlite3_column_type(st.get(), c) == SQLITE_NULL;
                QCOMPARE(r->isNull(c), null);
                if (c == 2 || c == 4)
                    QCOMPARE(r->value(c).toLongLong(), sqlite3_column_int64(st.get(), c));
                else if (!null)
                    QCOMPARE(r->value(c).toString(), st.columnText(c));
            }
            ++row;
        }
        QCOMPARE(row, qint64(files));
        // Repetition makes it much smaller than the raw texts.
        QVERIFY(r->memoryUsage() < qint64(files) * 60);
    }
};

QTEST_GUILESS_MAIN(TestSnapshot)
#include "tst_snapshot.moc"
