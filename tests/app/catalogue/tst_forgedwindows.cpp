// The windows that read a catalogue, over catalogues forged to mislead: each refuses the file with
// a cause or shows every row it can, through both views, the version and properties windows, the
// print preview and the comparison lists, without crashing and without changing the file.

#include "ComparisonRows.h"
#include "ForgedCatalogue.h"
#include "catalogue/frmDirDat.h"
#include "catalogue/frmProprietes.h"
#include "catalogue/frmVersion.h"
#include "compare/CategorySource.h"
#include "compare/NewFileSource.h"
#include "print/frmApercu.h"
#include "shell/mSettings.h"

#include <QCryptographicHash>
#include <QHeaderView>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

using namespace vambrel;
using namespace vambrel::test;

namespace {

enum class Window { Explorer, FlatList, Properties, Version, Preview, Categories, NewFiles };

const std::pair<Window, const char*> kWindows[] = {
    {Window::Explorer, "explorer view"}, {Window::FlatList, "flat list"},
    {Window::Properties, "properties"},  {Window::Version, "version"},
    {Window::Preview, "print preview"},  {Window::Categories, "comparison"},
    {Window::NewFiles, "new files"},
};

QByteArray digest(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

void setView(bool explore) {
    SaveSetting(kAppName, kSectionStartUp, kKeyAffichage, BoolToSettingText(explore));
}

QList<QTreeWidgetItem*> allNodes(QTreeWidget* tree) {
    QList<QTreeWidgetItem*> nodes;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        nodes << tree->topLevelItem(i);
    for (int i = 0; i < nodes.size(); ++i)
        for (int c = 0; c < nodes[i]->childCount(); ++c)
            nodes << nodes[i]->child(c);
    return nodes;
}

// Every row of the version window, moved through in each direction.
void walkVersions(frmDirDat& w) {
    frmVersion v;
    if (!w.prepareVersion(v))
        return;
    v.show();
    for (const int index : {0, 1, 1, 1, 1, 1, 0, 2, 3, 0, 0, 0, 0, 0})
        v.imaNavig_Click(index);
    (void)v.lblFichier()->text();
    v.close();
}

} // namespace

class TestForgedWindows : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;
    QTemporaryDir m_dir;
    QString m_root;
    QList<QString> m_files;

private Q_SLOTS:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        ForgedSet set = makeEveryForgedCatalogue(m_dir.path());
        QVERIFY2(set.failed.isEmpty(), qPrintable(set.failed));
        m_root = set.root;
        m_files = set.files;
    }

    void windows_data() {
        QTest::addColumn<int>("forgery");
        QTest::addColumn<int>("window");
        const QList<Forgery> all = forgeries();
        for (int i = 0; i < all.size(); ++i)
            for (const auto& [window, name] : kWindows)
                QTest::addRow("%s / %s", all[i].name, name) << i << int(window);
    }

    void windows() {
        QFETCH(int, forgery);
        QFETCH(int, window);
        const bool valid = forgery == 0;
        // The window converts an earlier format in place: it works on a copy of its own.
        const QString path = m_dir.filePath(QStringLiteral("w%1-%2.dat").arg(forgery).arg(window));
        QFile::remove(path);
        QVERIFY(QFile::copy(m_files[forgery], path));
        const bool earlier = forgeries().at(forgery).earlier;
        const QByteArray before = digest(path);

        switch (Window(window)) {
        case Window::Explorer:
        case Window::FlatList:
        case Window::Properties:
        case Window::Version: {
            const bool explore = Window(window) != Window::FlatList;
            setView(explore);
            frmDirDat w(nullptr);
            w.resize(700, 500);
            w.show();
            if (!w.OuvrirDat(path)) {
                QVERIFY(!valid);
                QVERIFY2(!w.lastError().trimmed().isEmpty(), "a refusal without a cause");
                break;
            }
            if (Window(window) == Window::Explorer) {
                for (QTreeWidgetItem* node : allNodes(w.treRep())) {
                    w.treRep()->setCurrentItem(node);
                    QTRY_VERIFY_WITH_TIMEOUT(!w.listingFolder(), 5000);
                    for (int i = 0; i < w.lstFich()->topLevelItemCount(); ++i)
                        (void)w.lstFich()->topLevelItem(i)->text(1);
                    for (const int column : {0, 1, 2, 3})
                        w.lstFich()->header()->sectionClicked(column);
                }
                if (valid)
                    QCOMPARE(allNodes(w.treRep()).size(), 3);
            } else if (Window(window) == Window::FlatList) {
                for (int column = 0; column < 6; ++column) {
                    w.listingColumnClick(column);
                    w.listingColumnClick(column);
                    QTest::qWait(1);
                    for (const int key : {Qt::Key_End, Qt::Key_Home, Qt::Key_PageDown, Qt::Key_Up})
                        w.listingKey(key);
                    QTRY_VERIFY_WITH_TIMEOUT(w.lstListing()->model() != nullptr, 5000);
                    const int rows = w.lstListing()->model()->rowCount();
                    for (int r = 0; r < rows; ++r)
                        for (int c = 0; c < w.lstListing()->model()->columnCount(); ++c)
                            (void)w.lstListing()->model()->index(r, c).data().toString();
                }
                if (valid)
                    QCOMPARE(w.rowCount(), qint64(4));
            } else if (Window(window) == Window::Properties) {
                frmProprietes dialog;
                w.fillProperties(dialog);
                if (valid)
                    QCOMPARE(dialog.lblInfo(6)->text(), QStringLiteral("4"));
            } else {
                for (QTreeWidgetItem* node : allNodes(w.treRep())) {
                    w.treRep()->setCurrentItem(node);
                    QTRY_VERIFY_WITH_TIMEOUT(!w.listingFolder(), 5000);
                    walkVersions(w);
                }
                setView(false);
                w.setExploreView(false);
                walkVersions(w);
            }
            w.close();
            break;
        }
        case Window::Preview: {
            QString error;
            QWidget owner;
            frmApercu* preview = frmApercu::openCatalogue(&owner, path, false, &error);
            if (!preview) {
                QVERIFY(!valid);
                QVERIFY2(!error.trimmed().isEmpty(), "a refusal without a cause");
                break;
            }
            for (const int filter : {0, 1})
                for (const int perLine : {1, 4}) {
                    preview->setFolderFilter(filter);
                    preview->setFilesPerLine(perLine);
                    if (!preview->PopulateRec()) {
                        QVERIFY(!preview->lastError().isEmpty());
                        continue;
                    }
                    for (int page = 1; page <= preview->pageCount(); ++page)
                        QVERIFY(preview->Imprime(0, page, page));
                }
            if (valid)
                QCOMPARE(preview->report()->totalFiles(), qint64(4));
            preview->close();
            break;
        }
        case Window::Categories: {
            Database db;
            if (!db.open(path, OpenMode::ReadOnly)) {
                QVERIFY(!valid);
                QVERIFY(!db.lastError().isEmpty());
                break;
            }
            auto rows = ComparisonRows::open(db);
            if (!rows) {
                QVERIFY(!rows.error().isEmpty());
                break;
            }
            // The check's positions, with some that a confused server could send.
            CategorySource source(rows.value(), {0, 1, 2, 3, -1, 4, 1000, 0x7fffffff});
            for (qint64 i = 0; i < source.rowCount(); ++i) {
                (void)source.row(i);
                (void)source.exportLine(i);
            }
            (void)source.row(-1);
            (void)source.row(source.rowCount());
            break;
        }
        case Window::NewFiles: {
            NewFileSource source;
            QString error;
            if (!source.open(path, &error)) {
                QVERIFY(!error.trimmed().isEmpty());
                break;
            }
            for (const int column : {0, 1, 1, 0, 2, -1}) {
                source.sortByColumn(column);
                for (qint64 i = 0; i <= source.rowCount(); ++i) {
                    (void)source.row(i);
                    (void)source.exportLine(i);
                }
            }
            if (valid)
                QCOMPARE(source.rowCount(), qint64(4));
            break;
        }
        }
        // Reading never writes; converting the earlier format is the only change allowed.
        if (!earlier)
            QCOMPARE(digest(path), before);
    }
};

QTEST_MAIN(TestForgedWindows)
#include "tst_forgedwindows.moc"
