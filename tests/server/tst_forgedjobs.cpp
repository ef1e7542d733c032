// The server's jobs that read a catalogue, over catalogues forged to mislead: the check and the
// new-file search either fail with a cause or finish, raise one terminal event, never look up a
// row outside its recorded folder, never depend on the working folder and leave no file behind.

#include "CatalogueCheck.h"
#include "ComparisonQuery.h"
#include "ForgedCatalogue.h"
#include "NewFileSearch.h"
#include "PathSyntax.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;
using namespace vambrel::test;

namespace {

class CheckRecorder : public CheckEvents {
public:
    int terminal = 0;
    bool success = false;
    QList<qint32> idem, distinct, nonExist;
    bool ProgressFile(quint8) override { return false; }
    void ProgressState(qint32) override {}
    void Complete(bool ok, const QList<qint32>& a, const QList<qint32>& b, const QList<qint32>& c) override {
        ++terminal;
        success = ok;
        idem = a;
        distinct = b;
        nonExist = c;
    }
    void Cancelled() override { ++terminal; }
};

class SearchRecorder : public NewFileEvents {
public:
    int terminal = 0;
    bool success = false;
    bool ProgressMain(qint32) override { return false; }
    bool ProgressFolder(qint32) override { return false; }
    bool ProgressFile(qint32) override { return false; }
    void Complete(bool ok) override {
        ++terminal;
        success = ok;
    }
    void Cancelled() override { ++terminal; }
};

QByteArray digest(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

QStringList entries(const QString& dir) {
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    names.sort();
    return names;
}

} // namespace

class TestForgedJobs : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_root;
    QString m_cwd;

    // A file of the tree, named by a path that does not leave it.
    bool inTree(const QString& path) const {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        return !canonical.isEmpty() && QDir::cleanPath(path) == path &&
               canonical.startsWith(QFileInfo(m_root).canonicalFilePath() + QLatin1Char('/'));
    }

    // The forged catalogue of a row, in a folder of its own so that leftovers show.
    QString forge(int index, QString* folder) {
        *folder = m_dir.filePath(QStringLiteral("job%1").arg(index));
        QDir().mkpath(*folder);
        const QString path = *folder + QStringLiteral("/forged.dat");
        return makeForgedCatalogue(path, m_root, forgeries().at(index)) ? path : QString();
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_root = makeForgedTree(m_dir.path());
        m_cwd = QDir::currentPath();
    }
    // A relative row must not find the tree through the working folder.
    void init() { QVERIFY(QDir::setCurrent(m_root)); }
    void cleanup() { QVERIFY(QDir::setCurrent(m_cwd)); }

    void check_data() {
        QTest::addColumn<int>("forgery");
        const QList<Forgery> all = forgeries();
        for (int i = 0; i < all.size(); ++i)
            QTest::newRow(all[i].name) << i;
    }
    void check() {
        QFETCH(int, forgery);
        QString folder;
        const QString cat = forge(forgery, &folder);
        QVERIFY(!cat.isEmpty());
        const QByteArray before = digest(cat);
        const QStringList files = entries(folder);
        CheckRecorder r;
        QString cause;
        RunCatalogueCheck(cat, r, &cause);
        QCOMPARE(r.terminal, 1);
        QCOMPARE(digest(cat), before);
        QCOMPARE(entries(folder), files);
        if (!r.success) {
            QVERIFY(forgery != 0);
            QVERIFY2(!cause.trimmed().isEmpty(), "a failed check without a cause");
            QVERIFY(r.idem.isEmpty() && r.distinct.isEmpty() && r.nonExist.isEmpty());
            return;
        }
        Database db;
        QVERIFY(db.open(cat, OpenMode::ReadOnly));
        auto rows = OpenComparisonQuery(db);
        QVERIFY(rows.ok());
        const qint64 count = rows->recordCount();
        QSet<qint32> seen;
        for (const QList<qint32>* list : {&r.idem, &r.distinct, &r.nonExist})
            for (const qint32 pos : *list) {
                QVERIFY(pos >= 0 && pos < count);
                QVERIFY2(!seen.contains(pos), "a row sorted twice");
                seen.insert(pos);
            }
        // Only rows that name a file of the tree by its recorded folder may be found on disk.
        const int fFolder = rows->fieldIndex(u"Folders.Nom");
        const int fNom = rows->fieldIndex(u"Files.Nom");
        for (const QList<qint32>* list : {&r.idem, &r.distinct})
            for (const qint32 pos : *list) {
                QVERIFY(rows->setAbsolutePosition(pos));
                const QString path = RecordedFilePath(rows->text(fFolder), rows->text(fNom));
                QVERIFY2(inTree(path), qPrintable(path));
            }
        // b.exe records a version that the file on disk lacks.
        if (forgery == 0) {
            QCOMPARE(r.idem.size(), 3);
            QCOMPARE(r.distinct.size(), 1);
        }
    }

    void newFileSearch_data() { check_data(); }
    void newFileSearch() {
        QFETCH(int, forgery);
        QString folder;
        const QString cat = forge(forgery, &folder);
        QVERIFY(!cat.isEmpty());
        const QByteArray before = digest(cat);
        const QString list = folder + QStringLiteral("/nouveaux.dat");
        SearchRecorder r;
        QString cause;
        RunNewFileSearch({list, m_root, QStringLiteral("*.*"), cat}, r, &cause);
        QCOMPARE(r.terminal, 1);
        QCOMPARE(digest(cat), before);
        if (!r.success) {
            QVERIFY(forgery != 0);
            QVERIFY2(!cause.trimmed().isEmpty(), "a failed search without a cause");
            // The list stays as far as it was written, without its journal.
            QVERIFY(entries(folder).size() <= 2);
            QVERIFY(!QFile::exists(list + QStringLiteral("-journal")));
            return;
        }
        QCOMPARE(entries(folder),
                 (QStringList{QStringLiteral("forged.dat"), QStringLiteral("nouveaux.dat")}));
        // Whatever the catalogue claims, the list holds files of the disk, found under the start
        // folder, and every one at most once.
        Database db;
        QVERIFY2(db.open(list, OpenMode::ReadOnly, DbKind::NewFilesList), qPrintable(db.lastError()));
        auto rows = Snapshot::open(db, QStringLiteral("SELECT Folders.Nom, Files.Nom FROM Files JOIN Folders "
                                                      "ON Folders.Num = Files.Num"));
        QVERIFY(rows.ok());
        QSet<QString> paths;
        for (bool more = rows->moveFirst(); more; more = rows->moveNext()) {
            const QString path = RecordedFilePath(rows->text(0), rows->text(1));
            QVERIFY2(inTree(path), qPrintable(path));
            QVERIFY2(!paths.contains(path), qPrintable(path));
            paths.insert(path);
        }
        if (forgery == 0)
            QCOMPARE(rows->recordCount(), qint64(0));
    }
};

QTEST_GUILESS_MAIN(TestForgedJobs)
#include "tst_forgedjobs.moc"
