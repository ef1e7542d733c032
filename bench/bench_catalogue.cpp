// Catalogue access layer figures: bulk insert rate, file size, and an ordered snapshot over
// all files (open time with exact count, absolute positioning, memory).
// Usage: bench_catalogue [files] (default 1000000).

#include "CatalogueWriter.h"
#include "Database.h"
#include "FileTime.h"
#include "Snapshot.h"
#include "SortKey.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>

using namespace vambrel;

namespace {

// Peak resident memory of the process, in KiB.
long peakResidentKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

long residentKb() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

const char* const kWords[] = {"rapport", "photo", "budget",  "Setup",  "lisezmoi", "index",
                              "données", "image", "été",     "projet", "notes",    "Facture",
                              "copie",   "zèbre", "archive", "version"};
const char* const kExtensions[] = {".txt", ".jpg", ".pdf",  ".dll", ".exe",
                                   ".png", ".doc", ".html", ".xml", ""};
const char* const kTypes[] = {"Document texte brut", "Image JPEG", "Document PDF",  "Bibliothèque partagée",
                              "Programme",           "Image PNG",  "Document Word", "Document HTML",
                              "Document XML",        "Fichier"};

} // namespace

int snapshotPhase(const QString& path);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == "--snapshot")
        return snapshotPhase(QString::fromLocal8Bit(argv[2]));
    const qint64 files = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1'000'000;
    const int filesPerFolder = 50;
    const int folders = int((files + filesPerFolder - 1) / filesPerFolder);
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("VAMBREL_BENCH_KEEP"));
    const QString path = dir.filePath(QStringLiteral("bench.dat"));
    QRandomGenerator rng(7);

    // Folder paths four levels deep, as a real disk has them.
    QStringList folderNames;
    folderNames.reserve(folders);
    for (int i = 0; i < folders; ++i)
        folderNames << QStringLiteral("/home/utilisateur/%1 %2/%3/sous-dossier %4")
                           .arg(QString::fromUtf8(kWords[i % 16]))
                           .arg(i / 400)
                           .arg(QString::fromUtf8(kWords[(i / 16) % 16]))
                           .arg(i);

    Database db;
    if (!db.create(path, DbKind::Catalogue)) {
        std::fprintf(stderr, "%s\n", qPrintable(db.lastError()));
        return 1;
    }
    // Rows are made beforehand so that only the writing is timed.
    std::vector<FileRow> rows;
    rows.reserve(size_t(files));
    for (qint64 id = 0; id < files; ++id) {
        const int e = int(rng.bounded(10));
        FileRow row;
        row.numId = id;
        row.num = int(id / filesPerFolder);
        row.nom = QStringLiteral("%1-%2%3")
                      .arg(QString::fromUtf8(kWords[rng.bounded(16)]))
                      .arg(rng.bounded(100000))
                      .arg(QString::fromUtf8(kExtensions[e]));
        row.taille = rng.bounded(1 << 24);
        row.modifie = UnixTimeToDate(1'500'000'000 + rng.bounded(200'000'000));
        row.type = QString::fromUtf8(kTypes[e]);
        rows.push_back(std::move(row));
    }
    QElapsedTimer timer;
    timer.start();
    {
        CatalogueWriter writer(db);
        size_t next = 0;
        for (int f = 0; f < folders; ++f) {
            if (!writer.addFolder(f, folderNames[f]))
                return std::fprintf(stderr, "%s\n", qPrintable(writer.lastError())), 1;
            for (; next < rows.size() && rows[next].num == f; ++next) {
                if (!writer.addFile(rows[next]))
                    return std::fprintf(stderr, "%s\n", qPrintable(writer.lastError())), 1;
            }
            if (f % 100 == 99 && !writer.commit())
                return 1;
        }
        if (!writer.commit())
            return 1;
    }
    const double insertSeconds = timer.nsecsElapsed() / 1e9;
    std::vector<FileRow>().swap(rows);
    db.close();
    const double sizeMb = QFileInfo(path).size() / 1e6;
    if (!dir.autoRemove())
        std::printf("kept: %s\n", qPrintable(path));
    std::printf("bulk insert: %lld files, %d folders in %.2f s: %.0f rows/s\n", files, folders, insertSeconds,
                double(files + folders) / insertSeconds);
    std::printf("catalogue size: %.1f MB (%.1f MB per million files)\n", sizeMb,
                sizeMb * 1e6 / double(files));

    // The snapshot is measured in a fresh process, so that its memory is its own.
    std::fflush(stdout);
    const int rc =
        QProcess::execute(QCoreApplication::applicationFilePath(), {QStringLiteral("--snapshot"), path});
    return rc;
}

int snapshotPhase(const QString& path) {
    QRandomGenerator rng(11);
    QElapsedTimer timer;
    Database db;
    if (!db.open(path, OpenMode::ReadOnly))
        return std::fprintf(stderr, "%s\n", qPrintable(db.lastError())), 1;
    const long rssBefore = residentKb();
    const QString sql =
        QStringLiteral("SELECT Folders.Nom, Files.Nom, Files.Taille, Files.\"Modifié\", Files.Type "
                       "FROM Folders INNER JOIN Files ON Files.Num = Folders.Num");
    timer.restart();
    auto snapshot =
        Snapshot::open(db, sql, {}, {{QStringLiteral("Folders.Nom")}, {QStringLiteral("Files.Nom")}});
    const double openSeconds = timer.nsecsElapsed() / 1e9;
    if (!snapshot)
        return std::fprintf(stderr, "%s\n", qPrintable(snapshot.error())), 1;
    const long rssAfter = residentKb();
    std::printf("snapshot ordered by folder and file name: %lld records (exact) opened in %.2f s; "
                "rows %.1f MB, resident +%.1f MB (process %.1f MB, peak %.1f MB)\n",
                snapshot->recordCount(), openSeconds, snapshot->memoryUsage() / 1e6,
                (rssAfter - rssBefore) / 1024.0, rssAfter / 1024.0, peakResidentKb() / 1024.0);
    timer.restart();
    auto bySize = snapshot->sorted({{QStringLiteral("Taille"), SortKind::Value, true}});
    std::printf("re-sorted in memory by size, descending: %.2f s\n", timer.nsecsElapsed() / 1e9);
    timer.restart();
    auto byName = snapshot->sorted({{QStringLiteral("Files.Nom")}});
    std::printf("re-sorted in memory by file name alone: %.2f s\n", timer.nsecsElapsed() / 1e9);
    if (!bySize || !byName)
        return 1;

    const int probes = 200'000;
    qint64 checksum = 0;
    timer.restart();
    for (int i = 0; i < probes; ++i) {
        snapshot->setAbsolutePosition(qint64(rng.bounded(quint64(snapshot->recordCount()))));
        checksum += snapshot->value(1).toString().size() + snapshot->value(2).toLongLong();
    }
    const double perProbe = timer.nsecsElapsed() / 1e3 / probes;
    std::printf("absolute positioning and two fields read: %.2f us each (checksum %lld)\n", perProbe,
                checksum);
    return 0;
}
