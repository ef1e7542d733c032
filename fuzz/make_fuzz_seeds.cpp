// Writes the seed corpora of fuzz_catalogue and fuzz_jobprotocol into two folders: a few small
// catalogues (the current format, an earlier one, a new-files list, forged rows) and a few
// protocol streams (a client's and a server's session, a bad length, a cut frame).
// Usage: make_fuzz_seeds CATALOGUE_DIR PROTOCOL_DIR
#include "CatalogueWriter.h"
#include "Database.h"
#include "WireEncoder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <functional>

using namespace vambrel;
using jobwire::Msg;
using jobwire::WireEncoder;

namespace {

bool fail(const QString& what) {
    std::fprintf(stderr, "make_fuzz_seeds: %s\n", qPrintable(what));
    return false;
}

// Small pages keep each seed a few kilobytes.
bool compact(Database& db) {
    return db.exec(QStringLiteral("PRAGMA page_size = 512; VACUUM;"));
}

bool fill(Database& db) {
    CatalogueWriter w(db);
    const QDateTime when(QDate(2024, 3, 9), QTime(10, 20, 30));
    bool ok = w.addFolder(0, QStringLiteral("/données")) && w.addFolder(1, QStringLiteral("/données/a")) &&
              w.addFolder(2, QStringLiteral("/données/b"));
    const char* names[] = {"un.txt", "Été.doc", "prog.exe", "z", "vide"};
    for (int i = 0; i < 5 && ok; ++i)
        ok = w.addFile(
            {i, i % 3, QString::fromUtf8(names[i]), qint64(i) * 1000, when, QStringLiteral("Fichier")});
    VersionStrings strings;
    strings.productVersion = QStringLiteral("1.2");
    ok = ok && w.addVersion(2, &strings, nullptr) && w.commit();
    return ok || fail(w.lastError());
}

bool makeCatalogue(const QString& path, const std::function<bool(Database&)>& after) {
    QFile::remove(path);
    Database db;
    if (!db.create(path, DbKind::Catalogue, QStringLiteral("*.*"),
                   QDateTime(QDate(2024, 3, 9), QTime(10, 0))))
        return fail(db.lastError());
    if (!fill(db) || (after && !after(db)) || !compact(db))
        return fail(db.lastError());
    return true;
}

bool writeCatalogues(const QDir& dir) {
    const auto sql = [](const char* text) {
        return [text](Database& db) { return db.exec(QString::fromUtf8(text)); };
    };
    bool ok = makeCatalogue(dir.filePath(QStringLiteral("catalogue.dat")), {});
    ok = ok && makeCatalogue(dir.filePath(QStringLiteral("empty.dat")),
                             sql("DELETE FROM Files; DELETE FROM Folders; DELETE FROM Version;"));
    ok = ok && makeCatalogue(dir.filePath(QStringLiteral("earlier.dat")),
                             sql("DELETE FROM Properties WHERE Name IN ('VersionID', 'Source');"));
    ok =
        ok && makeCatalogue(dir.filePath(QStringLiteral("forged.dat")),
                            sql("DROP INDEX Folders_Num; INSERT INTO Folders VALUES ('relatif/dossier', 7);"
                                "INSERT INTO Folders VALUES ('/données/c', 1);"
                                "INSERT INTO Files VALUES (10, 1, '../../etc/passwd', -5, NULL, 'Fichier');"
                                "INSERT INTO Files VALUES (11, 99, 'a/b', 'beaucoup', 'hier', NULL);"
                                "INSERT INTO Files VALUES (12, 7, '.', 9223372036854775807, x'00ff', 'x');"
                                "INSERT INTO Files VALUES (2, 0, 'double', NULL, NULL, 'Fichier');"
                                "UPDATE Properties SET Value = 'pas une date' WHERE Name = 'DateCréation';"));
    const QString list = dir.filePath(QStringLiteral("newfiles.dat"));
    QFile::remove(list);
    Database db;
    if (!ok || !db.create(list, DbKind::NewFilesList))
        return ok && fail(db.lastError());
    CatalogueWriter w(db);
    ok = w.addFolder(0, QStringLiteral("/données")) && w.addFolder(1, QStringLiteral("/données/neuf")) &&
         w.addNewFile(0, 1, QStringLiteral("nouveau.txt")) && w.addNewFile(1, 0, QStringLiteral("autre")) &&
         w.addNewFile(2, 5, QStringLiteral("sans dossier")) && w.commit();
    return (ok && compact(db)) || fail(db.lastError());
}

// The first byte of a protocol seed chooses how the fuzz target cuts the stream into pieces.
bool writeStream(const QDir& dir, const char* name, char pieces,
                 const std::function<void(QByteArray&)>& frames) {
    QByteArray bytes(1, pieces);
    frames(bytes);
    QFile f(dir.filePath(QLatin1String(name)));
    return (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()) || fail(f.fileName());
}

void frame(QByteArray& out, Msg type, const std::function<void(WireEncoder&)>& fields) {
    WireEncoder e(out);
    e.begin(type);
    fields(e);
    e.end();
}

bool writeStreams(const QDir& dir) {
    const auto id = [](quint32 job) { return [job](WireEncoder& e) { e.putU32(job); }; };
    bool ok = writeStream(dir, "client.bin", 0x1b, [&](QByteArray& out) {
        frame(out, Msg::Hello, id(1));
        for (quint8 cls = 1; cls <= 3; ++cls) {
            frame(out, Msg::Start, [cls](WireEncoder& e) {
                e.putU32(cls);
                e.putU8(cls);
                e.putString(QStringLiteral("/tmp/é.dat"));
                e.putString(QStringLiteral("/home"));
                e.putString(QStringLiteral("*.*"));
                e.putString(QString(QChar(0xD800)));
            });
        }
        frame(out, Msg::Cancel, id(2));
        frame(out, Msg::Ack, id(3));
    });
    ok = ok && writeStream(dir, "server.bin", 0x00, [&](QByteArray& out) {
             frame(out, Msg::Welcome, [](WireEncoder& e) {
                 e.putU32(1);
                 e.putU16(2);
                 e.putU16(0);
                 e.putU16(0);
             });
             const auto idAndInt = [](quint32 job, qint32 n) {
                 return [job, n](WireEncoder& e) {
                     e.putU32(job);
                     e.putI32(n);
                 };
             };
             frame(out, Msg::ProgressMain, [](WireEncoder& e) {
                 e.putU32(1);
                 e.putString(QStringLiteral("/home/ann"));
             });
             for (Msg m : {Msg::ProgressFolder, Msg::ProgressFile, Msg::ProgressState,
                           Msg::SearchProgressMain, Msg::SearchProgressFolder})
                 frame(out, m, idAndInt(1, 12));
             frame(out, Msg::CheckProgressFile, [](WireEncoder& e) {
                 e.putU32(2);
                 e.putU8(2);
             });
             frame(out, Msg::Positions, [](WireEncoder& e) {
                 e.putU32(2);
                 e.putU8(1);
                 e.putU32(3);
                 for (qint32 p : {0, 5, 7})
                     e.putI32(p);
             });
             frame(out, Msg::Settle, id(2));
             frame(out, Msg::Error, [](WireEncoder& e) {
                 e.putU32(3);
                 e.putI32(32540);
                 e.putString(QStringLiteral("qvtSrv.cAsync3"));
                 e.putString(QStringLiteral("Already running."));
             });
             frame(out, Msg::Complete, [](WireEncoder& e) {
                 e.putU32(1);
                 e.putBool(false);
                 e.putString(QStringLiteral("Disque plein."));
             });
             frame(out, Msg::Cancelled, id(2));
         });
    ok = ok && writeStream(dir, "badlength.bin", 0x55, [&](QByteArray& out) {
             frame(out, Msg::Hello, id(1));
             out.append("\x00\x00\x20\x00\x02", 5);
         });
    ok = ok && writeStream(dir, "cut.bin", 0x7f, [&](QByteArray& out) {
             frame(out, Msg::Complete, [](WireEncoder& e) {
                 e.putU32(1);
                 e.putBool(true);
                 e.putString(QStringLiteral("abc"));
             });
             out.chop(3);
         });
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_fuzz_seeds CATALOGUE_DIR PROTOCOL_DIR\n");
        return 64;
    }
    const QDir catalogues(QString::fromLocal8Bit(argv[1]));
    const QDir streams(QString::fromLocal8Bit(argv[2]));
    if (!QDir().mkpath(catalogues.path()) || !QDir().mkpath(streams.path()))
        return fail(QStringLiteral("cannot create the seed folders")), 1;
    return writeCatalogues(catalogues) && writeStreams(streams) ? 0 : 1;
}
