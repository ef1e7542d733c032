// The comparison window on a large catalogue, beside qvtjob on the same catalogue in the same run:
// the whole check from the window against `qvtjob check --quiet`, the longest stall of the event
// loop while the events stream in, "Voir la liste" of the largest category, page moves (keys and
// scroll bar), the export of that category, the sorts of a new-file list as long as the tree (each
// sort with its first page read), and the peak memory of this process.
// Usage: bench_compare_window [--tree DIR] [--files N] [--folders N]
//        (1,000,000 files in 50,000 folders in a temporary folder by default; a DIR given is
//        filled once and reused).

#include "BenchTools.h"
#include "JobConnection.h"
#include "SyntheticTree.h"
#include "cAsync2.h"
#include "compare/NewFileSource.h"
#include "compare/frmCompare.h"
#include "controls/PagedList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <random>
#include <unistd.h>

using namespace vambrel;
using namespace vambrel::bench;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SyntheticTreeOptions options;
    options.files = 1'000'000;
    options.folders = 50'000;
    options.maxFileSize = 0;
    QString root;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--tree"))
            root = QDir(args.value(++i)).absolutePath();
        else if (a == QLatin1String("--files"))
            options.files = args.value(++i).toInt();
        else if (a == QLatin1String("--folders"))
            options.folders = args.value(++i).toInt();
    }
    QTemporaryDir temporary;
    if (root.isEmpty())
        root = temporary.filePath(QStringLiteral("tree"));
    const SyntheticTree tree = MakeReportedTree(root, options);
    if (!tree.ok)
        return 1;
    const QString catalogue = temporary.filePath(QStringLiteral("bench.dat"));
    findSeconds(root); // warm the cache
    const JobRun built = runQvtjob(
        {QStringLiteral("build"), catalogue, QStringLiteral("--spec"), root, QStringLiteral("--quiet")});
    if (!built.ok) {
        std::fprintf(stderr, "qvtjob build failed: %s\n", built.errors.constData());
        return 1;
    }
    std::printf("catalogue of %lld files built in %.3f s\n", static_cast<long long>(tree.files),
                built.seconds);
    const JobRun quiet = runQvtjob({QStringLiteral("check"), catalogue, QStringLiteral("--quiet")});
    if (!quiet.ok)
        return 1;

    client::JobConnection::setServerPath(QStringLiteral(VAMBREL_BINARY_DIR "/qvtSrv"));
    QWidget owner;
    auto* window = new frmCompare(&owner);
    window->setCatalogueFile(catalogue);
    window->setMessageHandler([](QMessageBox::Icon, const QString& text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    });
    bool ended = false, success = false;
    QObject::connect(window, &frmCompare::CheckEnded, [&](bool s) {
        ended = true;
        success = s;
    });
    // The longest time the event loop went without turning: what a repaint would have waited.
    QElapsedTimer tick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, tick.restart()); });
    QElapsedTimer timer;
    timer.start();
    tick.start();
    ticker.start();
    window->show();
    while (!ended)
        app.processEvents(QEventLoop::WaitForMoreEvents);
    const double checkSeconds = seconds(timer);
    ticker.stop();
    if (!success)
        return 1;

    int largest = 0;
    for (int i = 1; i < 3; ++i)
        if (window->tubProgress(i) && window->cmdVoir(i)->isEnabled() &&
            window->lblFile(i)->text().section(QLatin1Char('/'), 0, 0).toLongLong() >
                window->lblFile(largest)->text().section(QLatin1Char('/'), 0, 0).toLongLong())
            largest = i;
    timer.restart();
    window->cmdVoir_Click(largest);
    const double showSeconds = seconds(timer);
    PagedList* list = window->lstListing();
    const qint64 total = list->rowCount();

    const int moves = 200;
    double worstKey = 0, sumKey = 0;
    for (int i = 0; i < moves; ++i) {
        list->setPageSelection(list->model()->rowCount() - 1);
        timer.restart();
        list->pageKey(i % 2 ? Qt::Key_Down : Qt::Key_PageDown);
        const double s = seconds(timer);
        worstKey = std::max(worstKey, s);
        sumKey += s;
    }
    std::mt19937 random(7);
    double worstScroll = 0, sumScroll = 0;
    for (int i = 0; i < moves; ++i) {
        const int value = int(random() % unsigned(std::max(1, list->scrollBar()->maximum())) + 1);
        timer.restart();
        list->scrollBar()->setValue(value);
        const double s = seconds(timer);
        worstScroll = std::max(worstScroll, s);
        sumScroll += s;
    }
    const QString out = temporary.filePath(QStringLiteral("export.txt"));
    window->setSaveChooser([out] { return out; });
    timer.restart();
    window->mnuContext_Click(1);
    const double exportSeconds = seconds(timer);

    // Every file of the tree is new against the catalogue of an empty folder.
    const QString emptyFolder = temporary.filePath(QStringLiteral("empty"));
    const QString emptyCatalogue = temporary.filePath(QStringLiteral("empty.dat"));
    const QString newList = temporary.filePath(QStringLiteral("new.dat"));
    QDir().mkpath(emptyFolder);
    if (!runQvtjob({QStringLiteral("build"), emptyCatalogue, QStringLiteral("--spec"), emptyFolder,
                    QStringLiteral("--quiet")})
             .ok ||
        !runQvtjob({QStringLiteral("newfiles"), emptyCatalogue, newList, QStringLiteral("--spec"), root,
                    QStringLiteral("--quiet")})
             .ok)
        return 1;
    NewFileSource newFiles;
    QString error;
    if (!newFiles.open(newList, &error)) {
        std::fprintf(stderr, "new-file list: %s\n", qPrintable(error));
        return 1;
    }
    struct SortRun {
        const char* what;
        int column;
        double seconds;
    };
    SortRun sorts[] = {{"Nom descending", 0, 0},
                       {"Chemin ascending", 1, 0},
                       {"Chemin descending", 1, 0},
                       {"Nom ascending", 0, 0}};
    for (SortRun& run : sorts) {
        timer.restart();
        newFiles.sortByColumn(run.column);
        for (qint64 i = 0; i < 40 && i < newFiles.rowCount(); ++i)
            (void)newFiles.row(i);
        run.seconds = seconds(timer);
    }

    std::printf("  qvtjob check --quiet:             %7.3f s\n", quiet.seconds);
    std::printf("  check from the window:            %7.3f s  (%.2f x qvtjob)\n", checkSeconds,
                checkSeconds / quiet.seconds);
    std::printf("  longest event-loop stall:         %7lld ms\n", static_cast<long long>(longestGap));
    std::printf("  Voir la liste (%lld entries):   %7.3f s\n", static_cast<long long>(total), showSeconds);
    std::printf("  page key: mean %.3f ms, worst %.3f ms; scroll bar: mean %.3f ms, worst %.3f ms\n",
                sumKey / moves * 1e3, worstKey * 1e3, sumScroll / moves * 1e3, worstScroll * 1e3);
    std::printf("  export of %lld entries:         %7.3f s (%lld bytes)\n", static_cast<long long>(total),
                exportSeconds, static_cast<long long>(QFileInfo(out).size()));
    for (const SortRun& run : sorts)
        std::printf("  new files (%lld) by %-18s %7.3f s\n", static_cast<long long>(newFiles.rowCount()),
                    run.what, run.seconds);
    std::printf("  peak memory of this process:      %7.1f MB\n",
                static_cast<double>(peakKb(::getpid())) / 1024);
    window->close();
    return 0;
}
