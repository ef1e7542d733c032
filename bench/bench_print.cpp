// Listing report figures on a large catalogue: the preview showing page 1, then the first, a
// middle and the last page, a layout change, and every page printed to a PDF file with the
// process's memory along the way.
// Printing goes through the program's own PDF writer; the drawing engine's PDF output is timed
// on the first pages for comparison.
// Usage: bench_print [files] (default 1000000, in a tenth as many folders) [--pages N] to print
//        only the first N pages, [--engine-pages N] pages through the drawing engine (default
//        1000, 0 for none).

#include "CatalogueWriter.h"
#include "Database.h"
#include "FileTime.h"
#include "print/ListingPrinter.h"
#include "print/frmApercu.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

using namespace vambrel;

namespace {

long statusKb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return 0;
}

double seconds(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e9;
}

const char* const kWords[] = {"rapport", "photo", "budget",  "Setup",  "lisezmoi", "index",
                              "données", "image", "été",     "projet", "notes",    "Facture",
                              "copie",   "zèbre", "archive", "version"};
const char* const kExtensions[] = {".txt", ".jpg", ".pdf",  ".dll", ".exe",
                                   ".png", ".doc", ".html", ".xml", ""};
const char* const kTypes[] = {"Document texte brut", "Image JPEG", "Document PDF",  "Bibliothèque partagée",
                              "Programme",           "Image PNG",  "Document Word", "Document HTML",
                              "Document XML",        "Fichier"};

// Folders numbered breadth-first as a build walks them: folder i's parent is (i - 1) / 10.
bool makeCatalogue(const QString& path, qint64 files) {
    const int folders = int(std::max<qint64>(1, files / 10));
    QRandomGenerator rng(3);
    Database db;
    if (!db.create(path, DbKind::Catalogue) || !db.setProperty(Schema::kVersionId, Schema::formatVersion()) ||
        !db.setProperty(Schema::kSource, QStringLiteral("/bench")) ||
        !db.setProperty(Schema::kOrigine, QStringLiteral("/")))
        return false;
    std::vector<QString> names(static_cast<size_t>(folders));
    CatalogueWriter writer(db);
    qint64 id = 0;
    for (int f = 0; f < folders; ++f) {
        names[size_t(f)] = f == 0
                               ? QStringLiteral("/bench")
                               : names[size_t((f - 1) / 10)] +
                                     QStringLiteral("/%1 %2").arg(QString::fromUtf8(kWords[f % 16])).arg(f);
        if (!writer.addFolder(f, names[size_t(f)]))
            return false;
        const qint64 end = std::min<qint64>(files, qint64(f + 1) * files / folders);
        for (; id < end; ++id) {
            const int e = int(rng.bounded(10));
            FileRow row;
            row.numId = id;
            row.num = f;
            row.nom = QStringLiteral("%1-%2%3")
                          .arg(QString::fromUtf8(kWords[rng.bounded(16)]))
                          .arg(rng.bounded(100000))
                          .arg(QString::fromUtf8(kExtensions[e]));
            row.taille = rng.bounded(1 << 24);
            row.modifie = UnixTimeToDate(1'500'000'000 + rng.bounded(200'000'000));
            row.type = QString::fromUtf8(kTypes[e]);
            if (!writer.addFile(row))
                return false;
        }
    }
    return writer.commit();
}

// Prints pages 1..last of the preview's report to a PDF file; the time in seconds, -1 on failure.
double printPdf(const frmApercu& w, const QString& pdf, int last,
                ListingPrinter::PdfPath path = ListingPrinter::PdfPath::OwnWriter) {
    QPrinter printer(QPrinter::HighResolution);
    ListingPrinter::preparePrinter(printer);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    const ListingPrinter drawing(*w.report(), w.pagination(), false);
    QElapsedTimer t;
    t.start();
    QString error;
    if (!drawing.print(printer, 1, last, &error, path)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return -1;
    }
    return seconds(t);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    PinLocalTimeZone();
    qint64 files = 1'000'000;
    int pagesToPrint = 0;
    int enginePages = 1000;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--pages") == 0 && i + 1 < argc)
            pagesToPrint = atoi(argv[++i]);
        else if (qstrcmp(argv[i], "--engine-pages") == 0 && i + 1 < argc)
            enginePages = atoi(argv[++i]);
        else
            files = QByteArray(argv[i]).toLongLong();
    }
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    const QString path = dir.filePath(QStringLiteral("bench.dat"));
    QElapsedTimer t;
    t.start();
    if (!makeCatalogue(path, files))
        return std::fprintf(stderr, "catalogue not made\n"), 1;
    std::printf("catalogue: %lld files in %lld folders, made in %.1f s\n", files,
                std::max<qint64>(1, files / 10), seconds(t));
    const long startKb = statusKb("VmRSS:");

    t.restart();
    QString error;
    frmApercu* w = frmApercu::openCatalogue(nullptr, path, false, &error);
    if (!w)
        return std::fprintf(stderr, "%s\n", qPrintable(error)), 1;
    QApplication::processEvents();
    std::printf("preview open, page 1 shown: %.2f s (%d pages, %lld lines)\n", seconds(t), w->pageCount(),
                w->pagination().lineCount());
    const long shownKb = statusKb("VmRSS:");
    std::printf("memory with the preview open: %ld MB more than before\n", (shownKb - startKb) / 1024);

    const int count = w->pageCount();
    for (int page : {1, count / 2, count}) {
        t.restart();
        w->Imprime(0, page, page);
        QApplication::processEvents();
        std::printf("page %d shown: %.1f ms\n", page, seconds(t) * 1000);
    }

    for (int perLine : {4, 1}) {
        t.restart();
        w->setFilesPerLine(perLine);
        w->PopulateRec();
        QApplication::processEvents();
        std::printf("layout changed to %d file(s) a line and page 1 shown: %.2f s (%d pages)\n", perLine,
                    seconds(t), w->pageCount());
    }
    t.restart();
    w->setFolderFilter(1);
    w->PopulateRec();
    QApplication::processEvents();
    std::printf("folder choice changed (rows read again) and page 1 shown: %.2f s\n", seconds(t));
    w->setFolderFilter(0);
    w->PopulateRec();

    {
        // The text building alone, without drawing: what printing spends outside the PDF writer.
        const ListingPrinter drawing(*w->report(), w->pagination(), false);
        const int n = std::min(count, 1000);
        t.restart();
        size_t items = 0;
        for (int p = 1; p <= n; ++p)
            items += drawing.composer().page(p, false).size();
        std::printf("%d pages composed without drawing: %.0f pages/s (%zu texts)\n", n, n / seconds(t),
                    items);
    }

    const int all = pagesToPrint > 0 ? std::min(pagesToPrint, count) : count;
    const QString pdf = dir.filePath(QStringLiteral("bench.pdf"));
    if (enginePages > 0) {
        const int n = std::min(enginePages, all);
        const long engineBeforeKb = statusKb("VmRSS:");
        const double engine = printPdf(*w, pdf, n, ListingPrinter::PdfPath::DrawingEngine);
        if (engine < 0)
            return 1;
        std::printf(
            "before: %d pages through the drawing engine's PDF output: %.1f s, %.0f pages/s, PDF %.1f MB, "
            "memory %ld MB before, %ld MB after\n",
            n, engine, n / engine, double(QFile(pdf).size()) / (1 << 20), engineBeforeKb / 1024,
            statusKb("VmRSS:") / 1024);
    }
    const long beforeKb = statusKb("VmRSS:");
    const double quarter = printPdf(*w, pdf, std::max(1, all / 4));
    const long quarterKb = statusKb("VmRSS:");
    const double whole = printPdf(*w, pdf, all);
    const long wholeKb = statusKb("VmRSS:");
    if (quarter < 0 || whole < 0)
        return 1;
    std::printf(
        "after: printed %d pages to PDF with the program's writer: %.1f s, %.0f pages/s (%d pages: %.0f "
        "pages/s), PDF %.1f MB\n",
        all, whole, all / whole, std::max(1, all / 4), std::max(1, all / 4) / quarter,
        double(QFile(pdf).size()) / (1 << 20));
    std::printf("memory while printing: %ld MB before, %ld MB after a quarter, %ld MB after all; peak of the "
                "process %ld MB\n",
                beforeKb / 1024, quarterKb / 1024, wholeKb / 1024, statusKb("VmHWM:") / 1024);
    w->close();
    return 0;
}
