#pragma once

// Catalogues forged to mislead: a valid catalogue of a small tree, then changed with SQL the way a
// hand-edited or hostile file could be. Every reader of a catalogue is driven over the same list.

#include "TestCatalogue.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>

namespace vambrel::test {

struct Forgery {
    const char* name;
    // Statements run on the valid catalogue.
    QString sql;
    // Turns the earlier format back on (no VersionID, no Source), so that opening converts it.
    bool earlier = false;
};

// The tree recorded: ROOT (a.txt, b.exe), ROOT/sub (c.txt), ROOT/sub/deep (d.txt), and beside
// ROOT a secret.txt that no row may reach.
inline QList<FileRow> forgedBaseFiles() {
    return {file(0, 0, QStringLiteral("a.txt"), 1), file(1, 0, QStringLiteral("b.exe"), 1),
            file(2, 1, QStringLiteral("c.txt"), 1), file(3, 2, QStringLiteral("d.txt"), 1)};
}

// Lays the tree on disk under `base`: base/tree is ROOT, base/secret.txt the file outside.
inline QString makeForgedTree(const QString& base) {
    const QString root = base + QStringLiteral("/tree");
    QDir().mkpath(root + QStringLiteral("/sub/deep"));
    for (const QString& p :
         {QStringLiteral("/tree/a.txt"), QStringLiteral("/tree/b.exe"), QStringLiteral("/tree/sub/c.txt"),
          QStringLiteral("/tree/sub/deep/d.txt"), QStringLiteral("/secret.txt")}) {
        QFile f(base + p);
        if (f.open(QIODevice::WriteOnly))
            f.write("x");
        f.flush();
        // The time the rows record, so that the check finds the tree unchanged.
        f.setFileTime(QDateTime(QDate(2020, 5, 17), QTime(10, 30, 0)), QFileDevice::FileModificationTime);
    }
    return root;
}

inline QList<Forgery> forgeries() {
    using S = QString;
    // Constraints of the valid file are lifted first where a forgery needs it, as a hostile
    // writer could.
    const S noCheck = S::fromUtf8("PRAGMA ignore_check_constraints = 1;");
    return {
        {"valid", S()},
        // Numbers
        {"two folders with one Num",
         S::fromUtf8("DROP INDEX Folders_Num; UPDATE Folders SET Num = 0 WHERE Num = 1;")},
        {"file in a missing folder", S::fromUtf8("UPDATE Files SET Num = 99 WHERE NumId = 2;")},
        {"two files with one NumId", S::fromUtf8("UPDATE Files SET NumId = 1 WHERE NumId = 0;")},
        {"every file in one NumId", S::fromUtf8("UPDATE Files SET NumId = 7;")},
        {"folder Num past 32 bits", S::fromUtf8("UPDATE Folders SET Num = 4294967296 WHERE Num = 2;"
                                                "UPDATE Files SET Num = 4294967296 WHERE Num = 2;")},
        {"file Num past 32 bits", S::fromUtf8("UPDATE Files SET Num = 4294967296 WHERE NumId = 0;")},
        {"negative numbers", S::fromUtf8("UPDATE Folders SET Num = -1 WHERE Num = 1;"
                                         "UPDATE Files SET Num = -1, NumId = -5 WHERE Num = 1;")},
        {"version row of no file",
         S::fromUtf8("INSERT INTO Version (NumId, \"Produit Version\") VALUES (99, '1.0.0.0');")},
        {"two version rows of one file",
         S::fromUtf8("INSERT INTO Version (NumId, \"Produit Version\") VALUES (1, '2.0.0.0');")},
        // Types
        {"text sizes and numbers",
         S::fromUtf8("UPDATE Files SET Taille = 'beaucoup', NumId = 'un', Num = 'zéro' WHERE NumId = 0;"
                     "UPDATE Folders SET Num = 'deux' WHERE Num = 2;")},
        {"null everywhere", noCheck + S::fromUtf8("UPDATE Files SET Nom = NULL, Taille = NULL, \"Modifié\" = "
                                                  "NULL, Type = NULL WHERE NumId = 0;"
                                                  "UPDATE Files SET NumId = NULL WHERE NumId = 1;"
                                                  "UPDATE Files SET Num = NULL WHERE NumId = 2;"
                                                  "UPDATE Folders SET Num = NULL WHERE Num = 2;")},
        {"null folder name",
         S::fromUtf8("CREATE TABLE F2 (Nom TEXT, Num INTEGER); INSERT INTO F2 SELECT Nom, Num FROM Folders;"
                     "UPDATE F2 SET Nom = NULL WHERE Num = 1; DROP TABLE Folders; ALTER TABLE F2 RENAME TO "
                     "Folders;")},
        {"negative sizes", S::fromUtf8("UPDATE Files SET Taille = -5 WHERE NumId = 0; UPDATE Files SET "
                                       "Taille = -9223372036854775808 WHERE NumId = 2;")},
        {"sizes that overflow a sum", S::fromUtf8("UPDATE Files SET Taille = 9223372036854775807;")},
        {"real and huge sizes",
         S::fromUtf8(
             "UPDATE Files SET Taille = 1e300 WHERE NumId = 0; UPDATE Files SET Taille = 2.5 WHERE NumId = 1;"
             "UPDATE Files SET Taille = -1e308 WHERE NumId = 2;")},
        {"blobs",
         S::fromUtf8(
             "UPDATE Files SET Taille = X'00FF', \"Modifié\" = X'FF00', Type = X'C3', Nom = X'2F6574632F00' "
             "WHERE NumId = 0;"
             "UPDATE Files SET NumId = X'01' WHERE NumId = 1; UPDATE Version SET \"Produit Version\" = X'00';"
             "UPDATE Folders SET Nom = X'FFFE' WHERE Num = 2;")},
        {"dates that are not dates",
         S::fromUtf8("UPDATE Files SET \"Modifié\" = 'hier' WHERE NumId = 0;"
                     "UPDATE Files SET \"Modifié\" = '9999-99-99 99:99:99' WHERE NumId = 1;"
                     "UPDATE Files SET \"Modifié\" = 12 WHERE NumId = 2;")},
        // Tables and fields
        {"no Version table", S::fromUtf8("DROP TABLE Version;")},
        {"no Properties table", S::fromUtf8("DROP TABLE Properties;")},
        {"no Folders table", S::fromUtf8("DROP TABLE Folders;")},
        {"no Files table", S::fromUtf8("DROP TABLE Files;")},
        {"no Taille field", S::fromUtf8("ALTER TABLE Files DROP COLUMN Taille;")},
        {"no Num field in Folders",
         S::fromUtf8("DROP INDEX Folders_Num; ALTER TABLE Folders DROP COLUMN Num;")},
        {"no Produit Version field", S::fromUtf8("ALTER TABLE Version DROP COLUMN \"Produit Version\";")},
        {"Files is a view",
         S::fromUtf8("ALTER TABLE Files RENAME TO F2; CREATE VIEW Files AS SELECT * FROM F2;")},
        {"Properties is a view",
         S::fromUtf8("ALTER TABLE Properties RENAME TO P2; CREATE VIEW Properties AS SELECT * FROM P2;")},
        // Properties
        {"no Origine", S::fromUtf8("DELETE FROM Properties WHERE Name = 'Origine';")},
        {"no Source", S::fromUtf8("DELETE FROM Properties WHERE Name = 'Source';")},
        {"no properties", S::fromUtf8("DELETE FROM Properties;")},
        {"DateCréation not a date",
         S::fromUtf8("UPDATE Properties SET Value = 'hier' WHERE Name = 'DateCréation';")},
        {"property of unknown type",
         noCheck +
             S::fromUtf8("UPDATE Properties SET Type = 'Blob' WHERE Name IN ('Origine', 'DateCréation');")},
        {"properties of the wrong types",
         S::fromUtf8("UPDATE Properties SET Value = X'00FF' WHERE Name = 'Source';"
                     "UPDATE Properties SET Value = 42 WHERE Name = 'Origine';"
                     "UPDATE Properties SET Value = NULL WHERE Name IN ('Description', 'Masque');")},
        {"relative Source", S::fromUtf8("UPDATE Properties SET Value = 'tree:sub:' WHERE Name = 'Source';")},
        // Names
        {"names leaving their folder", S::fromUtf8("UPDATE Files SET Nom = '../secret.txt' WHERE NumId = 0;"
                                                   "UPDATE Files SET Nom = '..' WHERE NumId = 1;"
                                                   "UPDATE Files SET Nom = '.' WHERE NumId = 2;"
                                                   "UPDATE Files SET Nom = '/etc/passwd' WHERE NumId = 3;")},
        {"names with NUL",
         S::fromUtf8("UPDATE Files SET Nom = 'a.txt' || char(0) || '/../../secret.txt' WHERE NumId = 0;"
                     "UPDATE Files SET Nom = char(0) WHERE NumId = 1;")},
        {"empty names", noCheck + S::fromUtf8("UPDATE Files SET Nom = '', Type = '' WHERE NumId = 0;"
                                              "UPDATE Folders SET Nom = '' WHERE Num = 2;")},
        {"relative folders", S::fromUtf8("UPDATE Folders SET Nom = 'sub' WHERE Num = 1;"
                                         "UPDATE Folders SET Nom = '.' WHERE Num = 2;")},
        {"folders climbing out", S::fromUtf8("UPDATE Folders SET Nom = Nom || '/..' WHERE Num = 0;"
                                             "UPDATE Folders SET Nom = Nom || '/../../..' WHERE Num = 1;"
                                             "UPDATE Folders SET Nom = '/' WHERE Num = 2;")},
        {"folder climbing to a secret", S::fromUtf8("UPDATE Folders SET Nom = Nom || '/..' WHERE Num = 0;"
                                                    "UPDATE Files SET Nom = 'secret.txt' WHERE NumId = 0;"
                                                    "UPDATE Folders SET Nom = Nom || '/../..' WHERE Num = 1;"
                                                    "UPDATE Files SET Nom = 'secret.txt' WHERE NumId = 2;")},
        {"folders with NUL and slashes",
         S::fromUtf8("UPDATE Folders SET Nom = Nom || char(0) || '/..' WHERE Num = 1;"
                     "UPDATE Folders SET Nom = Nom || '//deep/' WHERE Num = 2;")},
        {"one folder twice", S::fromUtf8("DROP INDEX Folders_Nom; INSERT INTO Folders (Nom, Num) SELECT Nom, "
                                         "5 FROM Folders WHERE Num = 1;"
                                         "UPDATE Files SET Num = 5 WHERE NumId = 2;")},
        {"child without its parent", S::fromUtf8("DELETE FROM Folders WHERE Num = 1;")},
        {"no folders", S::fromUtf8("DELETE FROM Folders;")},
        {"no rows", S::fromUtf8("DELETE FROM Folders; DELETE FROM Files; DELETE FROM Version;")},
        // The earlier format, converted on opening
        {"earlier format", S(), true},
        {"earlier format of relative folders", S::fromUtf8("UPDATE Folders SET Nom = 'x' || Num;"), true},
        {"earlier format without folders", S::fromUtf8("DELETE FROM Folders;"), true},
        {"earlier format, loose VersionID",
         S::fromUtf8("INSERT INTO Properties (Name, Type, Value) VALUES ('VersionID', 'Text', X'00');"),
         true},
    };
}

// Writes the valid catalogue of `root` to `path` and forges it; false when a statement fails.
inline bool makeForgedCatalogue(const QString& path, const QString& root, const Forgery& forgery) {
    QFile::remove(path);
    const QList<Folder> folders = {
        {0, root}, {1, root + QStringLiteral("/sub")}, {2, root + QStringLiteral("/sub/deep")}};
    const QString origin = root.left(root.lastIndexOf(QLatin1Char('/')) + 1);
    if (!makeCatalogue(path, origin, root, folders, forgedBaseFiles(),
                       forgery.earlier ? Format::Earlier : Format::Current))
        return false;
    Database db;
    if (!db.open(path, OpenMode::ReadWrite))
        return false;
    VersionStrings strings;
    strings.productName = QStringLiteral("Produit");
    VersionFixed fixed;
    fixed.productVersion = QStringLiteral("1.2.3.4");
    {
        CatalogueWriter writer(db);
        if (!writer.addVersion(1, &strings, &fixed) || !writer.commit())
            return false;
    }
    return forgery.sql.isEmpty() || db.exec(forgery.sql);
}

// The tree and one forged catalogue per forgery ("forgedN.dat", in the order of forgeries()) in
// `dir`. Gives the files, or the name of the first forgery that could not be made in `failed`.
struct ForgedSet {
    QString root;
    QStringList files;
    QString failed;
};

inline ForgedSet makeEveryForgedCatalogue(const QString& dir) {
    ForgedSet set;
    set.root = makeForgedTree(dir);
    const QList<Forgery> all = forgeries();
    for (const Forgery& forgery : all) {
        const QString path = dir + QStringLiteral("/forged%1.dat").arg(set.files.size());
        if (!makeForgedCatalogue(path, set.root, forgery)) {
            set.failed = QString::fromUtf8(forgery.name);
            break;
        }
        set.files << path;
    }
    return set;
}

} // namespace vambrel::test
