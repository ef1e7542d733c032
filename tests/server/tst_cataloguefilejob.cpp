// The skeleton of the jobs that write a file, driven by bodies written here: how each way a body
// ends leaves the file, its journal and the terminal event.

#include "CatalogueFileJob.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <stdexcept>

using namespace vambrel;
using namespace Qt::StringLiterals;

namespace {

const QString kUnexpected = u"Erreur inattendue."_s;

struct Ends {
    QStringList lines;
    void Complete(bool ok) { lines << (ok ? u"Complete true"_s : u"Complete false"_s); }
    void Cancelled() { lines << u"Cancelled"_s; }
};

// A job whose body is given by the test; it reaches the skeleton's protected calls through `job`.
class Job final : public CatalogueFileJob {
public:
    using Body = std::function<Outcome(Job& job)>;
    Job(const QString& fileName, Body body)
        : CatalogueFileJob(fileName, kUnexpected), m_body(std::move(body)) {}

    using CatalogueFileJob::createFile;
    using CatalogueFileJob::fail;
    using CatalogueFileJob::startWriter;
    using CatalogueFileJob::writer;

private:
    Outcome body() override { return m_body(*this); }
    Body m_body;
};

using Outcome = CatalogueFileJob::Outcome;

// Creates a new-files list and writes `folders` folder rows, committing after the first `committed`.
Outcome writeFolders(Job& job, int folders, int committed) {
    if (!job.createFile(DbKind::NewFilesList) || !job.startWriter())
        return Outcome::Failed;
    for (int i = 0; i < folders; ++i) {
        if (i == committed && !job.writer().commit())
            return job.fail(job.writer().lastError());
        if (!job.writer().addFolder(i, u"/d"_s + QString::number(i)))
            return job.fail(job.writer().lastError());
    }
    return Outcome::Done;
}

QStringList folderRows(const QString& file) {
    return test::queryRows(file, u"SELECT Num FROM Folders ORDER BY Num"_s, DbKind::NewFilesList);
}

} // namespace

class TestCatalogueFileJob : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString target(const QString& name) const { return m_dir.filePath(name); }
    // Nothing in the folder but `expected`.
    void onlyThere(const QStringList& expected) const {
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 expected);
    }

private Q_SLOTS:
    void init() {
        QVERIFY(m_dir.isValid());
        for (const QString& name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden))
            QVERIFY(QFile::remove(m_dir.filePath(name)));
    }

    void doneCommitsAndCloses() {
        const QString file = target(u"done.dat"_s);
        Ends ends;
        QString cause = u"untouched"_s;
        Job(file, [](Job& job) { return writeFolders(job, 3, 1); }).run(ends, &cause);
        QCOMPARE(ends.lines, QStringList{u"Complete true"_s});
        QCOMPARE(cause, u"untouched"_s);
        QCOMPARE(folderRows(file), (QStringList{u"0"_s, u"1"_s, u"2"_s}));
        onlyThere({u"done.dat"_s});
    }

    // The file and its journal go, whether rows were committed or not.
    void cancelRemovesFileAndJournal_data() {
        QTest::addColumn<int>("committed");
        QTest::newRow("nothing committed") << 3;
        QTest::newRow("rows committed") << 1;
    }
    void cancelRemovesFileAndJournal() {
        QFETCH(int, committed);
        const QString file = target(u"cancel.dat"_s);
        Ends ends;
        bool journalWhileWriting = false;
        Job(file, [&](Job& job) {
            const Outcome o = writeFolders(job, 3, committed);
            journalWhileWriting = QFile::exists(file + u"-journal"_s);
            return o == Outcome::Done ? Outcome::Cancelled : o;
        }).run(ends, nullptr);
        QCOMPARE(ends.lines, QStringList{u"Cancelled"_s});
        QVERIFY(journalWhileWriting);
        onlyThere({});
    }

    // A run cancelled before it created its file deletes nothing: the name is not its own.
    void cancelBeforeCreationTouchesNothing() {
        const QString file = target(u"theirs.dat"_s);
        test::makeFile(file, "garder");
        test::makeFile(file + u"-journal"_s, "garder aussi");
        Ends ends;
        Job(file, [](Job&) { return Outcome::Cancelled; }).run(ends, nullptr);
        QCOMPARE(ends.lines, QStringList{u"Cancelled"_s});
        QCOMPARE(test::readAll(file), QByteArray("garder"));
        QCOMPARE(test::readAll(file + u"-journal"_s), QByteArray("garder aussi"));
    }

    // A failed run keeps its file with the rows committed before the failure, and no journal.
    void failureKeepsCommittedRows() {
        const QString file = target(u"failed.dat"_s);
        Ends ends;
        QString cause;
        Job(file, [](Job& job) {
            const Outcome o = writeFolders(job, 3, 2);
            return o == Outcome::Done ? job.fail(u"Panne."_s) : o;
        }).run(ends, &cause);
        QCOMPARE(ends.lines, QStringList{u"Complete false"_s});
        QCOMPARE(cause, u"Panne."_s);
        QCOMPARE(folderRows(file), (QStringList{u"0"_s, u"1"_s}));
        onlyThere({u"failed.dat"_s});
    }

    // A body that throws, or fails without a cause, ends as a failure with the job's own text.
    void unexpectedFailure_data() {
        QTest::addColumn<bool>("throws");
        QTest::newRow("throws") << true;
        QTest::newRow("no cause") << false;
    }
    void unexpectedFailure() {
        QFETCH(bool, throws);
        const QString file = target(u"unexpected.dat"_s);
        Ends ends;
        QString cause;
        Job(file, [&](Job& job) {
            const Outcome o = writeFolders(job, 3, 1);
            if (throws)
                throw std::runtime_error("panne");
            return o == Outcome::Done ? Outcome::Failed : o;
        }).run(ends, &cause);
        QCOMPARE(ends.lines, QStringList{u"Complete false"_s});
        QCOMPARE(cause, kUnexpected);
        QCOMPARE(folderRows(file), QStringList{u"0"_s});
        onlyThere({u"unexpected.dat"_s});
    }

    void existingFileIsRefused() {
        const QString file = target(u"exists.dat"_s);
        test::makeFile(file, "garder");
        Ends ends;
        QString cause;
        Job(file, [](Job& job) { return writeFolders(job, 1, 1); }).run(ends, &cause);
        QCOMPARE(ends.lines, QStringList{u"Complete false"_s});
        QVERIFY2(cause.contains(u"existe déjà"_s), qPrintable(cause));
        QCOMPARE(test::readAll(file), QByteArray("garder"));
    }

    void removeOutput() {
        const QString file = target(u"out.dat"_s);
        test::makeFile(file);
        test::makeFile(file + u"-journal"_s);
        QVERIFY(CatalogueFileJob::removeOutput(file));
        onlyThere({});
        // Nothing there is no failure; a name that cannot be deleted is.
        QVERIFY(CatalogueFileJob::removeOutput(file));
        QVERIFY(QDir(m_dir.path()).mkdir(u"out.dat"_s));
        QVERIFY(!CatalogueFileJob::removeOutput(file));
        QVERIFY(QDir(m_dir.path()).rmdir(u"out.dat"_s));
    }
};

QTEST_GUILESS_MAIN(TestCatalogueFileJob)
#include "tst_cataloguefilejob.moc"
