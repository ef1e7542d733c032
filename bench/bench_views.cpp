// Catalogue window figures on a large catalogue: the explorer view built, the flat list shown, a
// sort by each column, a page moved by the scroll bar, and the process's memory with the
// catalogue shown in both views one after the other. While a view is made or sorted, a timer on
// the window's thread records the longest gap between its ticks: how long the window could not
// repaint.
// Usage: bench_views [files] (default 1000000, in a tenth as many folders), or
//        bench_views --views catalogue.dat (the measuring phase alone).

#include "CatalogueWriter.h"
#include "Database.h"
#include "FileTime.h"
#include "catalogue/frmDirDat.h"
#include "shell/mSettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

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

const char* const kWords[] = {"rapport", "photo", "budget",  "Setup",  "lisezmoi", "index",
                              "données", "image", "été",     "projet", "notes",    "Facture",
                              "copie",   "zèbre", "archive", "version"};
const char* const kExtensions[] = {".txt", ".jpg", ".pdf",  ".dll", ".exe",
                                   ".png", ".doc", ".html", ".xml", ""};
const char* const kTypes[] = {"Document texte brut", "Image JPEG", "Document PDF",  "Bibliothèque partagée",
                              "Programme",           "Image PNG",  "Document Word", "Document HTML",
                              "Document XML",        "Fichier"};

// Folders numbered breadth-first as a build walks them: folder i's parent is (i - 1) / 10.
int makeCatalogue(const QString& path, qint64 files) {
    const int folders = int(std::max<qint64>(1, files / 10));
    QRandomGenerator rng(3);
    Database db;
    if (!db.create(path, DbKind::Catalogue) || !db.setProperty(Schema::kVersionId, Schema::formatVersion()) ||
        !db.setProperty(Schema::kSource, QStringLiteral("/bench")) ||
        !db.setProperty(Schema::kOrigine, QStringLiteral("/")))
        return std::fprintf(stderr, "%s\n", qPrintable(db.lastError())), 1;
    QElapsedTimer timer;
    timer.start();
    std::vector<QString> names(static_cast<size_t>(folders));
    CatalogueWriter writer(db);
    qint64 id = 0;
    for (int f = 0; f < folders; ++f) {
        names[size_t(f)] = f == 0
                               ? QStringLiteral("/bench")
                               : names[size_t((f - 1) / 10)] +
                                     QStringLiteral("/%1 %2").arg(QString::fromUtf8(kWords[f % 16])).arg(f);
        if (!writer.addFolder(f, names[size_t(f)]))
            return std::fprintf(stderr, "%s\n", qPrintable(writer.lastError())), 1;
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
                return std::fprintf(stderr, "%s\n", qPrintable(writer.lastError())), 1;
        }
    }
    if (!writer.commit())
        return 1;
    std::printf("catalogue made with the access layer: %lld files in %d folders, %.1f s\n", files, folders,
                timer.nsecsElapsed() / 1e9);
    return 0;
}

double seconds(QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e9;
}

// Processor time of the whole process (all threads), user and system: less sensitive to the
// machine's other load than the wall time.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The window reads the view when it is made: set it first.
void setView(bool explore) {
    SaveSetting(kAppName, kSectionStartUp, kKeyAffichage, BoolToSettingText(explore));
}

// The longest time between two ticks of a fast timer of the window's thread, over one phase and
// over the whole run.
class GapMeter {
public:
    GapMeter() {
        m_timer.setInterval(2);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }
    // A phase starts: the gap is counted from now.
    void start() {
        m_phase = 0;
        m_clock.start();
        m_since.start();
        m_timer.start();
    }
    void stop() {
        tick();
        m_timer.stop();
    }
    double phaseMs() const { return m_phase; }
    double worstMs() const { return m_worst; }

private:
    void tick() {
        const double ms = m_clock.nsecsElapsed() / 1e6;
        m_clock.restart();
        if (ms > m_phase && qEnvironmentVariableIsSet("GAPDBG"))
            std::fprintf(stderr, "gap %.0f ms at %.0f ms\n", ms, m_since.nsecsElapsed() / 1e6);
        m_phase = std::max(m_phase, ms);
        m_worst = std::max(m_worst, ms);
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    QElapsedTimer m_since;
    double m_phase = 0;
    double m_worst = 0;
};

GapMeter* gaps = nullptr;

// Runs the event loop until the window has made its view or its sort.
void waitLoaded(frmDirDat& w) {
    while (w.loading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
}

// Opens the catalogue in a window, shown and painted.
double lastOpenCpu = 0;

double openIn(frmDirDat& w, const QString& path) {
    const double cpu = cpuSeconds();
    QElapsedTimer t;
    t.start();
    gaps->start();
    if (!w.OuvrirDat(path)) {
        std::fprintf(stderr, "%s\n", qPrintable(w.lastError()));
        return -1;
    }
    w.show();
    waitLoaded(w);
    const double s = seconds(t);
    gaps->stop();
    lastOpenCpu = cpuSeconds() - cpu;
    return s;
}

int views(const QString& path) {
    QTemporaryDir config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    const long startKb = statusKb("VmRSS:");

    GapMeter meter;
    gaps = &meter;
    setView(true);
    frmDirDat w(nullptr);
    w.resize(1000, 700);
    const double explore = openIn(w, path);
    if (explore < 0)
        return 1;
    std::printf(
        "explorer view built and shown: %.2f s (processor %.2f s; %d top-level nodes), longest repaint "
        "gap %.0f ms\n",
        explore, lastOpenCpu, w.treRep()->topLevelItemCount(), meter.phaseMs());
    const long afterExploreKb = statusKb("VmRSS:");

    // The view switch of the main window: build the flat list, then show its controls.
    QElapsedTimer t;
    t.start();
    double cpu = cpuSeconds();
    meter.start();
    if (!w.setExploreView(false))
        return std::fprintf(stderr, "%s\n", qPrintable(w.lastError())), 1;
    waitLoaded(w);
    meter.stop();
    std::printf(
        "flat list view built and shown after the explorer view: %.2f s (processor %.2f s; %lld rows, "
        "pages of %d), longest repaint gap %.0f ms\n",
        seconds(t), cpuSeconds() - cpu, w.rowCount(), w.pager().pageRows(), meter.phaseMs());
    const long bothKb = statusKb("VmRSS:");

    const char* columns[] = {"Nom", "Chemin", "Taille", "Type", "Modifié"};
    const auto sortBy = [&](int c, double* gap, double* processor) {
        const double before = cpuSeconds();
        t.restart();
        meter.start();
        w.listingColumnClick(c);
        waitLoaded(w);
        meter.stop();
        *gap = meter.phaseMs();
        *processor = cpuSeconds() - before;
        return seconds(t);
    };
    for (int c : {1, 2, 3, 4, 0}) {
        double upGap = 0, downGap = 0, upCpu = 0, downCpu = 0;
        const double up = sortBy(c, &upGap, &upCpu);
        const double down = sortBy(c, &downGap, &downCpu);
        std::printf("sort by %-8s ascending %.2f s (processor %.2f s), descending %.2f s (processor %.2f s), "
                    "longest repaint gap %.0f ms\n",
                    columns[c], up, upCpu, down, downCpu, std::max(upGap, downGap));
    }

    QRandomGenerator rng(5);
    double worst = 0;
    double total = 0;
    const int moves = 200;
    for (int i = 0; i < moves; ++i) {
        t.restart();
        w.vScroll()->setValue(1 + int(rng.bounded(quint32(w.vScroll()->maximum()))));
        w.lstListing()->repaint();
        const double ms = t.nsecsElapsed() / 1e6;
        worst = std::max(worst, ms);
        total += ms;
    }
    std::printf("page moved by the scroll bar (and repainted): mean %.2f ms, worst %.2f ms over %d moves\n",
                total / moves, worst, moves);

    // A second window on the same catalogue in the flat list view alone.
    {
        setView(false);
        frmDirDat flat(nullptr);
        flat.resize(1000, 700);
        const double shown = openIn(flat, path);
        std::printf(
            "flat list view opened directly: %.2f s (processor %.2f s), longest repaint gap %.0f ms\n", shown,
            lastOpenCpu, meter.phaseMs());
    }
    // A window closed as soon as its opening started: the work is cancelled and waited for.
    for (bool treeView : {true, false}) {
        setView(treeView);
        QElapsedTimer closing;
        {
            frmDirDat closed(nullptr);
            closed.resize(1000, 700);
            if (!closed.OuvrirDat(path))
                return 1;
            closed.show();
            QTimer::singleShot(50, &closed, &QWidget::close);
            QTimer::singleShot(50, [&closing] { closing.start(); });
            QEventLoop loop;
            QTimer::singleShot(60, &loop, &QEventLoop::quit);
            loop.exec();
        }
        std::printf("%s view closed 50 ms into its opening: window gone %.1f ms after the close\n",
                    treeView ? "explorer" : "flat list", closing.nsecsElapsed() / 1e6);
    }
    std::printf("longest repaint gap of the whole run: %.0f ms\n", meter.worstMs());
    std::printf("memory: resident %.0f MB at start, %.0f MB with the explorer view, %.0f MB with both views, "
                "peak %.0f MB\n",
                startKb / 1024.0, afterExploreKb / 1024.0, bothKb / 1024.0, statusKb("VmHWM:") / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The machine's load beside the figures: they are only comparable at a like load.
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3)
        std::printf("load average at start: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 2 && QByteArray(argv[1]) == "--views") {
        QApplication app(argc, argv);
        return views(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    const qint64 files = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1'000'000;
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("VAMBREL_BENCH_KEEP"));
    const QString path = dir.filePath(QStringLiteral("views.dat"));
    if (const int rc = makeCatalogue(path, files))
        return rc;
    if (!dir.autoRemove())
        std::printf("kept: %s\n", qPrintable(path));
    std::fflush(stdout);
    // Measured in a fresh process, so that the memory figures are the window's own.
    return QProcess::execute(QCoreApplication::applicationFilePath(), {QStringLiteral("--views"), path});
}
