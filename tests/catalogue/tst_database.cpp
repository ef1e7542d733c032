#include "CatalogueWriter.h"
#include "Database.h"
#include "FileTime.h"
#include "Snapshot.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>

using namespace vambrel;
using namespace Qt::StringLiterals;

namespace {

QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Runs SQL on a raw connection with nothing of ours registered, as another tool would.
QStringList rawColumn(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    QStringList out;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
                out << (t ? QString::fromUtf8(t) : QStringLiteral("<null>"));
            }
        } else {
            out << QStringLiteral("<error>");
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

void rawExec(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    QVERIFY(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
            SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
    }

    void schemaFieldsInOrder_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("fields");
        const int cat = int(DbKind::Catalogue), nf = int(DbKind::NewFilesList);
        QTest::newRow("Folders") << cat << QStringLiteral("Folders") << QStringList{u"Nom"_s, u"Num"_s};
        QTest::newRow("Files") << cat << QStringLiteral("Files")
                               << QStringList{u"NumId"_s,  u"Num"_s,     u"Nom"_s,
                                              u"Taille"_s, u"Modifié"_s, u"Type"_s};
        QTest::newRow("Version") << cat << QStringLiteral("Version")
                                 << QStringList{u"NumId"_s,
                                                u"Organisation"_s,
                                                u"Description"_s,
                                                u"Version"_s,
                                                u"Nom interne"_s,
                                                u"Copyright"_s,
                                                u"Nom d'origine"_s,
                                                u"Nom du produit"_s,
                                                u"Version du produit"_s,
                                                u"Version du fichier"_s,
                                                u"Produit Version"_s,
                                                u"OS"_s,
                                                u"Type"_s,
                                                u"Sous-type"_s,
                                                u"Attribut"_s};
        QTest::newRow("new-files Folders")
            << nf << QStringLiteral("Folders") << QStringList{u"Nom"_s, u"Num"_s};
        QTest::newRow("new-files Files")
            << nf << QStringLiteral("Files") << QStringList{u"NumId"_s, u"Num"_s, u"Nom"_s};
    }
    void schemaFieldsInOrder() {
        QFETCH(int, kind);
        QFETCH(QString, table);
        QFETCH(QStringList, fields);
        const QString file = m_dir.filePath(QStringLiteral("schema-%1-%2.dat").arg(kind).arg(table));
        Database db;
        QVERIFY2(db.create(file, DbKind(kind)), qPrintable(db.lastError()));
        db.close();
        const QByteArray sql = QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table).toUtf8();
        QCOMPARE(rawColumn(file, sql.constData()), fields);
    }

    void indexesAndTables() {
        const QString file = path("indexes.dat");
        Database db;
        QVERIFY(db.create(file, DbKind::Catalogue));
        db.close();
        QCOMPARE(rawColumn(file, "SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY name"),
                 (QStringList{u"Files"_s, u"Folders"_s, u"Properties"_s, u"Version"_s}));
        QCOMPARE(rawColumn(file, "SELECT name || ':' || \"unique\" FROM pragma_index_list('Folders') "
                                 "WHERE origin = 'c' ORDER BY name"),
                 (QStringList{u"Folders_Nom:1"_s, u"Folders_Num:1"_s}));
        QCOMPARE(rawColumn(file, "SELECT name || ':' || \"unique\" FROM pragma_index_list('Files')"),
                 QStringList{u"Files_Num:0"_s});
        QCOMPARE(rawColumn(file, "SELECT name || ':' || \"unique\" FROM pragma_index_list('Version')"),
                 QStringList{u"Version_NumId:0"_s});
        // Nothing of ours is needed to read the file: no collation or function in the schema.
        const QStringList ddl = rawColumn(file, "SELECT sql FROM sqlite_schema WHERE sql IS NOT NULL");
        for (const QString& s : ddl) {
            QVERIFY2(!s.contains(u"COLLATE"_s, Qt::CaseInsensitive), qPrintable(s));
            QVERIFY2(!s.contains(u"vsortkey"_s), qPrintable(s));
        }
    }

    void newFilesListHasNoProperties() {
        const QString file = path("newfiles.dat");
        Database db;
        QVERIFY(db.create(file, DbKind::NewFilesList));
        auto props = db.properties();
        QVERIFY(props.ok());
        QVERIFY(props.value().empty());
        db.close();
        QCOMPARE(rawColumn(file, "SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY name"),
                 (QStringList{u"Files"_s, u"Folders"_s}));
        // A new-files list is not a catalogue: opening it as one must fail cleanly.
        QVERIFY(!db.open(file, OpenMode::ReadOnly, DbKind::Catalogue));
        QVERIFY(db.lastError().contains(u"n'est pas un catalogue"_s));
        QVERIFY(db.open(file, OpenMode::ReadOnly, DbKind::NewFilesList));
    }

    void propertiesInOrderWithTypes() {
        const QString file = path("props.dat");
        const QDateTime created(QDate(2024, 3, 30), QTime(2, 30, 15), Qt::LocalTime);
        Database db;
        QVERIFY(db.create(file, DbKind::Catalogue, u"*.txt"_s, created));
        db.close();
        QVERIFY(db.open(file, OpenMode::ReadOnly));
        auto props = db.properties();
        QVERIFY2(props.ok(), qPrintable(props.error()));
        const std::vector<DbProperty>& p = props.value();
        QCOMPARE(p.size(), size_t(6));
        const QStringList names{u"VersionID"_s,    u"Source"_s, u"Origine"_s,
                                u"DateCréation"_s, u"Masque"_s, u"Description"_s};
        for (size_t i = 0; i < p.size(); ++i)
            QCOMPARE(p[i].name, names[qsizetype(i)]);
        QCOMPARE(p[0].value.toString(), u"Indéterminée"_s);
        QCOMPARE(p[1].value.toString(), u"Indéterminée"_s);
        QCOMPARE(p[2].value.toString(), u"Indéterminée"_s);
        QCOMPARE(p[3].type, PropertyType::Date);
        QCOMPARE(p[3].value.metaType().id(), QMetaType::QDateTime);
        QCOMPARE(p[3].value.toDateTime(), created);
        QCOMPARE(p[4].value.toString(), u"*.txt"_s);
        QCOMPARE(p[5].type, PropertyType::Memo);
        QCOMPARE(p[5].value.toString(), u"Ajoutez une description à ce fichier Vambrel"_s);
        QCOMPARE(p[0].type, PropertyType::Text);
    }

    void missingPropertyIsNotEmptyProperty() {
        const QString file = path("missing-prop.dat");
        Database db;
        QVERIFY(db.create(file, DbKind::Catalogue));
        QVERIFY(db.setProperty(u"Description"_s, QString(u""_s)));
        auto empty = db.property(u"Description"_s);
        QVERIFY(empty.ok() && empty.value().has_value());
        QVERIFY(empty.value()->value.isValid());
        QCOMPARE(empty.value()->value.toString(), QString());
        auto missing = db.property(u"Absente"_s);
        QVERIFY(missing.ok());
        QVERIFY(!missing.value().has_value());
        // Older files: no properties table at all reads as "missing", and can be given one.
        rawExec(file, "DROP TABLE Properties");
        QVERIFY(db.open(file, OpenMode::ReadWrite));
        auto version = db.property(u"VersionID"_s);
        QVERIFY(version.ok() && !version.value().has_value());
        QVERIFY(db.createProperty(u"VersionID"_s, PropertyType::Text, u"2.0.0"_s));
        QCOMPARE(db.property(u"VersionID"_s).value()->value.toString(), u"2.0.0"_s);
    }

    void propertyErrors_data() {
        QTest::addColumn<QString>("op");
        QTest::newRow("create existing") << u"create-existing"_s;
        QTest::newRow("set missing") << u"set-missing"_s;
        QTest::newRow("date not a date") << u"bad-date"_s;
        QTest::newRow("write read-only") << u"read-only"_s;
    }
    void propertyErrors() {
        QFETCH(QString, op);
        const QString file = m_dir.filePath(u"prop-err-"_s + op + u".dat"_s);
        Database db;
        QVERIFY(db.create(file, DbKind::Catalogue));
        if (op == u"read-only"_s) {
            db.close();
            const QByteArray before = fileHash(file);
            QVERIFY(db.open(file, OpenMode::ReadOnly));
            QVERIFY(!db.setProperty(u"Description"_s, u"x"_s));
            QVERIFY(!db.lastError().isEmpty());
            db.close();
            QCOMPARE(fileHash(file), before);
            return;
        }
        bool ok = true;
        if (op == u"create-existing"_s)
            ok = db.createProperty(u"Source"_s, PropertyType::Text, u"x"_s);
        else if (op == u"set-missing"_s)
            ok = db.setProperty(u"Inconnue"_s, u"x"_s);
        else
            ok = db.setProperty(u"DateCréation"_s, u"demain"_s);
        QVERIFY(!ok);
        QVERIFY(!db.lastError().isEmpty());
        QCOMPARE(db.property(u"Source"_s).value()->value.toString(), u"Indéterminée"_s);
    }

    void createRefusesExistingPath_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text file") << QByteArray("ne pas toucher");
        QTest::newRow("empty file") << QByteArray();
    }
    void createRefusesExistingPath() {
        QFETCH(QByteArray, content);
        const QString file = m_dir.filePath(QStringLiteral("existing-%1.dat").arg(content.size()));
        writeFile(file, content);
        Database db;
        QVERIFY(!db.create(file, DbKind::Catalogue));
        QVERIFY(db.lastError().contains(u"existe déjà"_s));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
    }

    void createInMissingFolderFails() {
        Database db;
        QVERIFY(!db.create(m_dir.filePath(u"absent/sub/x.dat"_s), DbKind::Catalogue));
        QVERIFY(db.lastError().startsWith(u"Impossible de créer"_s));
        QVERIFY(!db.isOpen());
    }

    void openRejectsWhatIsNotACatalogue_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("text") << u"text.dat"_s << QByteArray("Bonjour, ceci est un texte.\n").repeated(200)
                              << u"n'est pas un catalogue"_s;
        QTest::newRow("empty") << u"empty.dat"_s << QByteArray() << u"n'est pas un catalogue"_s;
        QTest::newRow("header only") << u"header.dat"_s << QByteArray("SQLite format 3\0", 16)
                                     << u"n'est pas un catalogue"_s;
    }
    void openRejectsWhatIsNotACatalogue() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString file = m_dir.filePath(name);
        writeFile(file, content);
        for (OpenMode mode : {OpenMode::ReadOnly, OpenMode::ReadWrite}) {
            Database db;
            QVERIFY(!db.open(file, mode));
            QVERIFY2(db.lastError().contains(message), qPrintable(db.lastError()));
            QVERIFY(!db.isOpen());
        }
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
    }

    void openMissingFile() {
        Database db;
        QVERIFY(!db.open(path("nowhere.dat"), OpenMode::ReadOnly));
        QVERIFY(db.lastError().contains(u"introuvable"_s));
        QVERIFY(!QFile::exists(path("nowhere.dat")));
    }

    void openReportsMissingTableOrField_data() {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QString>("named");
        QTest::newRow("no Version") << QByteArray("DROP TABLE Version") << u"Version"_s;
        QTest::newRow("no Files.Taille") << QByteArray("ALTER TABLE Files DROP COLUMN Taille") << u"Taille"_s;
        QTest::newRow("no Folders") << QByteArray("DROP TABLE Folders") << u"Folders"_s;
        QTest::newRow("Files is a view")
            << QByteArray("ALTER TABLE Files RENAME TO F2; CREATE VIEW Files AS SELECT * FROM F2")
            << u"Files"_s;
    }
    void openReportsMissingTableOrField() {
        QFETCH(QByteArray, sql);
        QFETCH(QString, named);
        const QString file = m_dir.filePath(u"broken-"_s + named + u".dat"_s);
        {
            Database db;
            QVERIFY(db.create(file, DbKind::Catalogue));
        }
        rawExec(file, sql.constData());
        Database db;
        QVERIFY(!db.open(file, OpenMode::ReadOnly));
        QVERIFY2(db.lastError().contains(u"« "_s + named + u" »"_s), qPrintable(db.lastError()));
    }

    void damagedFileGivesErrorNotCrash() {
        const QString file = path("damaged.dat");
        {
            Database db;
            QVERIFY(db.create(file, DbKind::Catalogue));
            CatalogueWriter w(db);
            QVERIFY(w.addFolder(0, u"/data"_s));
            for (int i = 0; i < 3000; ++i)
                QVERIFY(
                    w.addFile({i, 0, QStringLiteral("fichier-%1.txt").arg(i), i, QDateTime(), u"Texte"_s}));
            QVERIFY(w.commit());
        }
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const qint64 size = f.size();
        QVERIFY(size > 16 * 4096);
        // Scribble over the middle pages, where the rows are.
        f.seek(size / 2);
        f.write(QByteArray(4096 * 3, '\xA5'));
        f.close();
        Database db;
        if (!db.open(file, OpenMode::ReadOnly)) {
            QVERIFY(!db.lastError().isEmpty());
            return;
        }
        auto snap = Snapshot::open(db, u"SELECT * FROM Files ORDER BY Nom"_s);
        QVERIFY(!snap.ok());
        QVERIFY(snap.error().contains(u"endommagé"_s));
    }

    void zeroLengthRules_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("folder empty name") << u"folder-empty"_s << false;
        QTest::newRow("file empty name") << u"file-empty-name"_s << false;
        QTest::newRow("file empty type") << u"file-empty-type"_s << false;
        QTest::newRow("file null type") << u"file-null-type"_s << true;
        QTest::newRow("version empty strings") << u"version-empty"_s << true;
        QTest::newRow("duplicate folder path") << u"folder-dup-name"_s << false;
        QTest::newRow("duplicate folder number") << u"folder-dup-num"_s << false;
    }
    void zeroLengthRules() {
        QFETCH(QString, what);
        QFETCH(bool, accepted);
        const QString file = m_dir.filePath(u"rules-"_s + what + u".dat"_s);
        Database db;
        QVERIFY(db.create(file, DbKind::Catalogue));
        CatalogueWriter w(db);
        QVERIFY(w.isValid());
        QVERIFY(w.addFolder(0, u"/a"_s));
        bool ok = false;
        if (what == u"folder-empty"_s)
            ok = w.addFolder(1, QString(u""_s));
        else if (what == u"file-empty-name"_s)
            ok = w.addFile({0, 0, QString(u""_s), 1, QDateTime(), u"Texte"_s});
        else if (what == u"file-empty-type"_s)
            ok = w.addFile({0, 0, u"a"_s, 1, QDateTime(), QString(u""_s)});
        else if (what == u"file-null-type"_s)
            ok = w.addFile({0, 0, u"a"_s, 1, QDateTime(), QString()});
        else if (what == u"version-empty"_s) {
            VersionStrings s;
            s.companyName = QString(u""_s);
            ok = w.addVersion(0, &s, nullptr);
        } else if (what == u"folder-dup-name"_s)
            ok = w.addFolder(1, u"/a"_s);
        else
            ok = w.addFolder(0, u"/b"_s);
        QCOMPARE(ok, accepted);
        if (!ok)
            QVERIFY(!w.lastError().isEmpty());
    }

    void writerRoundTripAndTypes() {
        const QString file = path("roundtrip.dat");
        Database db;
        QVERIFY(db.create(file, DbKind::Catalogue));
        {
            CatalogueWriter w(db, 2);
            QVERIFY(w.addFolder(0, u"/média"_s));
            const QDateTime when(QDate(2023, 7, 22), QTime(6, 26, 40), Qt::LocalTime);
            QVERIFY(w.addFile({0, 0, u"grand.iso"_s, Q_INT64_C(5) << 30, when, u"Image disque"_s}));
            QVERIFY(w.addFile({1, 0, u"vide"_s, 0, QDateTime(), u"Fichier"_s}));
            VersionStrings s;
            s.companyName = u"Société"_s;
            s.productVersion = QString(u""_s);
            QVERIFY(w.addVersion(0, &s, nullptr));
            VersionFixed fx;
            fx.fileVersion = u"1.-25536.0.0"_s;
            fx.attributes = u"Version de développement"_s;
            QVERIFY(w.addVersion(1, nullptr, &fx));
            QVERIFY(w.commit());
        }
        db.close();
        QCOMPARE(rawColumn(file, "SELECT Taille FROM Files ORDER BY NumId"),
                 (QStringList{u"5368709120"_s, u"0"_s}));
        QCOMPARE(rawColumn(file, "SELECT \"Modifié\" FROM Files ORDER BY NumId"),
                 (QStringList{u"2023-07-22 06:26:40"_s, u"<null>"_s}));
        // Fields not written stay Null; a zero-length string stays zero-length.
        QCOMPARE(
            rawColumn(file,
                      "SELECT coalesce(Organisation, '<n>') || '|' || coalesce(\"Version du produit\", '<n>')"
                      " || '|' || coalesce(\"Version du fichier\", '<n>') FROM Version ORDER BY NumId"),
            (QStringList{u"Société||<n>"_s, u"<n>|<n>|1.-25536.0.0"_s}));
    }

    void uncommittedRowsRolledBack() {
        const QString file = path("partial.dat");
        {
            Database db;
            QVERIFY(db.create(file, DbKind::Catalogue));
            CatalogueWriter w(db, 1000);
            QVERIFY(w.addFolder(0, u"/a"_s));
            QVERIFY(w.addFile({0, 0, u"un"_s, 1, QDateTime(), u"T"_s}));
            QVERIFY(w.commit());
            QVERIFY(w.addFile({1, 0, u"deux"_s, 2, QDateTime(), u"T"_s}));
            // The writer goes away without a commit, as a failed build does.
        }
        QCOMPARE(rawColumn(file, "SELECT Nom FROM Files"), QStringList{u"un"_s});
    }

    void batchCommitsKeepRows() {
        const QString file = path("batches.dat");
        Database db;
        QVERIFY(db.create(file, DbKind::Catalogue));
        auto w = std::make_unique<CatalogueWriter>(db, 3);
        QVERIFY(w->addFolder(0, u"/a"_s));
        for (int i = 0; i < 7; ++i)
            QVERIFY(w->addFile({i, 0, QStringLiteral("f%1").arg(i), i, QDateTime(), u"T"_s}));
        w.reset(); // 8 rows added, batches of 3: the last 2 were never committed
        QCOMPARE(rawColumn(file, "SELECT count(*) FROM Files"), QStringList{u"5"_s});
    }

    void writerNeedsWritableDatabase() {
        const QString file = path("ro-writer.dat");
        {
            Database db;
            QVERIFY(db.create(file, DbKind::Catalogue));
        }
        Database db;
        QVERIFY(db.open(file, OpenMode::ReadOnly));
        CatalogueWriter w(db);
        QVERIFY(!w.isValid());
        QVERIFY(!w.addFolder(0, u"/x"_s));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
