// Explorer figures: a folder of many files listed in the file list (time, the longest wait of the
// event loop meanwhile, memory), an arrow key in the folder tree cutting that listing short, and
// the explorer window opened on "/".
// Usage: bench_explorer [files] (default 100000).

#include "controls/qvtRepertoire.h"
#include "explorer/frmDir.h"
#include "explorer/qvtFichier.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace vambrel;

namespace {

long statusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(strlen(field))).trimmed().split(' ').value(0).toLong();
    return 0;
}

double ms(qint64 ns) {
    return double(ns) / 1e6;
}

// Runs the event loop until the list is done; the longest time between two turns of the loop,
// and the number of items listed when it ended.
qint64 runUntilListed(const qvtFichier& list, int* itemsAfterLongest = nullptr) {
    QElapsedTimer gap;
    gap.start();
    qint64 longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (gap.nsecsElapsed() > longest && itemsAfterLongest)
            *itemsAfterLongest = list.ListItemsCount();
        longest = std::max(longest, gap.nsecsElapsed());
        gap.restart();
    });
    tick.start(0);
    while (list.listing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return std::max(longest, gap.nsecsElapsed());
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;

    QTemporaryDir tmp;
    const QByteArray root = QFile::encodeName(tmp.path());
    for (int i = 0; i < files; ++i) {
        const QByteArray name = root + "/file" + QByteArray::number(i) + (i % 10 ? ".txt" : ".png");
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, "x", 1) != 1) {
            std::fprintf(stderr, "cannot create %s\n", name.constData());
            return 1;
        }
        ::close(fd);
    }
    const long baseKb = statusKb("VmRSS:");

    QWidget host;
    host.resize(800, 600);
    auto* tree = new qvtRepertoire(&host);
    tree->setObjectName(QStringLiteral("qvtRep"));
    tree->setGeometry(0, 0, 200, 600);
    auto* list = new qvtFichier(&host);
    list->setGeometry(200, 0, 600, 600);
    list->setView(qvtFichier::Report);
    list->setSorted(true);
    list->setMultiSelect(true);
    host.show();

    list->GetFiles(tmp.path()); // warms the caches
    runUntilListed(*list);
    QElapsedTimer timer;
    timer.start();
    list->GetFiles(tmp.path());
    int itemsAfterLongest = 0;
    const qint64 longest = runUntilListed(*list, &itemsAfterLongest);
    const qint64 listed = timer.nsecsElapsed();
    std::printf("listing %d files: %.0f ms, longest wait of the event loop %.1f ms (ending with %d items "
                "listed), %d items\n",
                files, ms(listed), ms(longest), itemsAfterLongest, list->ListItemsCount());
    std::printf("memory: %ld kB resident with the list shown (%ld kB more than before), peak %ld kB\n",
                statusKb("VmRSS:"), statusKb("VmRSS:") - baseKb, statusKb("VmHWM:"));

    timer.restart();
    list->setSortOrder(1);
    std::printf("sort of the listed items by name: %.1f ms\n", ms(timer.nsecsElapsed()));
    timer.restart();
    list->setSortKey(3);
    std::printf("sort of the listed items by date text: %.1f ms\n", ms(timer.nsecsElapsed()));
    list->setSortKey(0);
    list->setSortOrder(0);

    // An arrow key in the tree while a listing runs.
    list->setParentTree(QStringLiteral("qvtRep"));
    list->GetFiles(tmp.path());
    timer.restart();
    QCoreApplication::postEvent(tree->treRep(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
    while (list->listing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("arrow key in the tree: listing stopped after %.1f ms with %d items\n",
                ms(timer.nsecsElapsed()), list->ListItemsCount());

    // The explorer window on "/".
    timer.restart();
    frmDir window;
    window.resize(800, 600);
    window.show();
    window.Load();
    while (window.qvtFich()->listing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("explorer opened on %s: %.1f ms, %d items\n", qPrintable(window.qvtRep()->Path()),
                ms(timer.nsecsElapsed()), window.qvtFich()->ListItemsCount());
    return 0;
}
