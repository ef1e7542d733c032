#include "CatalogueBuilder.h"
#include "CatalogueCheck.h"
#include "CatalogueWriter.h"
#include "Database.h"
#include "FileDescriptor.h"
#include "NewFileSearch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>

using namespace vambrel;
using namespace Qt::StringLiterals;

// A cancel that arrives while a job is in one of its long phases without events (the check reading
// and sorting its catalogue, the new-file search indexing the compared catalogue, the build walking
// its folders) ends the job as a cancel does: Cancelled alone, its output and journal removed.
// The request is sent from another thread the moment the job touches a given file, as the
// protocol's reader thread sets the flag while the job works.

namespace {

// Sets `flag` from a thread of its own as soon as `path` is opened (or, for a folder, as soon as
// something is created in it). Gives up quietly after a while: the job then ends another way and
// the test says so.
class StopOnTouch {
public:
    StopOnTouch(const QString& path, uint32_t mask, StopFlag& flag) : m_flag(flag) {
        m_inotify.reset(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
        m_watching = m_inotify.isValid() &&
                     ::inotify_add_watch(m_inotify.get(), QFile::encodeName(path).constData(), mask) >= 0;
        if (m_watching)
            m_thread = std::thread([this] { run(); });
    }
    ~StopOnTouch() {
        if (m_thread.joinable())
            m_thread.join();
    }
    StopOnTouch(const StopOnTouch&) = delete;
    StopOnTouch& operator=(const StopOnTouch&) = delete;

    bool watching() const { return m_watching; }

private:
    void run() {
        pollfd p{m_inotify.get(), POLLIN, 0};
        if (::poll(&p, 1, 30'000) == 1)
            m_flag = true;
    }

    StopFlag& m_flag;
    FileDescriptor m_inotify;
    bool m_watching = false;
    std::thread m_thread;
};

class CheckRecorder : public CheckEvents {
public:
    StopFlag stop{false};
    int completes = 0;
    int cancels = 0;
    const StopFlag* stopFlag() const override { return &stop; }
    bool ProgressFile(quint8) override { return false; }
    void ProgressState(qint32) override {}
    void Complete(bool, const QList<qint32>&, const QList<qint32>&, const QList<qint32>&) override {
        ++completes;
    }
    void Cancelled() override { ++cancels; }
};

class SearchRecorder : public NewFileEvents {
public:
    StopFlag stop{false};
    int completes = 0;
    int cancels = 0;
    const StopFlag* stopFlag() const override { return &stop; }
    bool ProgressMain(qint32) override { return false; }
    bool ProgressFolder(qint32) override { return false; }
    bool ProgressFile(qint32) override { return false; }
    void Complete(bool) override { ++completes; }
    void Cancelled() override { ++cancels; }
};

class BuildRecorder : public BuildEvents {
public:
    StopFlag stop{false};
    int completes = 0;
    int cancels = 0;
    const StopFlag* stopFlag() const override { return &stop; }
    bool ProgressMain(const QString&) override { return false; }
    bool ProgressFolder(qint32) override { return false; }
    bool ProgressFile(qint32) override { return false; }
    void ProgressState(qint32) override {}
    void Complete(bool) override { ++completes; }
    void Cancelled() override { ++cancels; }
};

} // namespace

class TestCancelPhases : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_catalogue; // many rows of files that are not on disk
    QString m_tree;      // many folders, a few files

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_catalogue = m_dir.filePath(u"large.dat"_s);
        Database db;
        QVERIFY2(db.create(m_catalogue, DbKind::Catalogue, u"*.*"_s), qPrintable(db.lastError()));
        {
            CatalogueWriter writer(db);
            QVERIFY(writer.isValid());
            // Enough rows that reading, sorting and indexing them are long phases; the folders do
            // not exist, so each judged row is quickly gone.
            constexpr int kFolders = 2000, kFiles = 150'000;
            for (int f = 0; f < kFolders; ++f)
                QVERIFY(writer.addFolder(f, m_dir.filePath(u"absent/dossier "_s + QString::number(f))));
            for (int i = 0; i < kFiles; ++i) {
                FileRow row;
                row.numId = i;
                row.num = i % kFolders;
                row.nom = u"fichier "_s + QString::number(i) + u".txt"_s;
                row.taille = i;
                QVERIFY(writer.addFile(row));
            }
            QVERIFY(writer.commit());
        }
        db.close();
        // A walk of a few hundred folders: long enough for the request to land in it.
        m_tree = m_dir.filePath(u"tree"_s);
        const QByteArray tree = QFile::encodeName(m_tree);
        QCOMPARE(::mkdir(tree.constData(), 0755), 0);
        for (int d = 0; d < 30; ++d) {
            const QByteArray sub = tree + "/d" + QByteArray::number(d);
            QCOMPARE(::mkdir(sub.constData(), 0755), 0);
            for (int e = 0; e < 20; ++e)
                QCOMPARE(::mkdir((sub + "/e" + QByteArray::number(e)).constData(), 0755), 0);
        }
    }

    void checkCancelledWhileReadingItsCatalogue() {
        CheckRecorder r;
        const StopOnTouch trigger(m_catalogue, IN_OPEN, r.stop);
        QVERIFY(trigger.watching());
        RunCatalogueCheck(m_catalogue, r);
        QCOMPARE(r.completes, 0);
        QCOMPARE(r.cancels, 1);
        QVERIFY(QFile::exists(m_catalogue)); // the check never touches its catalogue
    }

    void searchCancelledWhileIndexingTheCatalogue() {
        const QString list = m_dir.filePath(u"new.dat"_s);
        SearchRecorder r;
        const StopOnTouch trigger(m_catalogue, IN_OPEN, r.stop);
        QVERIFY(trigger.watching());
        NewFileParams params;
        params.fileName = list;
        params.spec = m_tree;
        params.catalogue = m_catalogue;
        RunNewFileSearch(params, r);
        QCOMPARE(r.completes, 0);
        QCOMPARE(r.cancels, 1);
        QVERIFY(!QFile::exists(list));
        QVERIFY(!QFile::exists(list + u"-journal"_s));
    }

    void buildCancelledWhileWalking() {
        const QString target = m_dir.filePath(u"built.dat"_s);
        BuildRecorder r;
        // The build creates its file first, then walks.
        const StopOnTouch trigger(m_dir.path(), IN_CREATE, r.stop);
        QVERIFY(trigger.watching());
        BuildParams params;
        params.fileName = target;
        params.spec = m_tree;
        params.mask = u"*.*"_s;
        RunCatalogueBuild(params, r);
        QCOMPARE(r.completes, 0);
        QCOMPARE(r.cancels, 1);
        QVERIFY(!QFile::exists(target));
        QVERIFY(!QFile::exists(target + u"-journal"_s));
    }
};

QTEST_GUILESS_MAIN(TestCancelPhases)
#include "tst_cancelphases.moc"
