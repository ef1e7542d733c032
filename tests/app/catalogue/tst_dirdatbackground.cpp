// The catalogue window making its views and sorts off its thread: the same rows in the same
// order as when made at once, the hourglass meanwhile, and a close at any moment that ends cleanly.

#include "FileTime.h"
#include "SortKey.h"
#include "TestCatalogue.h"
#include "catalogue/frmDirDat.h"
#include "shell/mSettings.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>

using namespace vambrel;
using namespace vambrel::test;

namespace {

void setView(bool explore) {
    SaveSetting(kAppName, kSectionStartUp, kKeyAffichage, BoolToSettingText(explore));
}

// The NumIds of the flat list, in its order.
QList<qint64> listedIds(const frmDirDat& w) {
    ListingRows rows = w.listing().rows().clone();
    QList<qint64> ids;
    for (bool more = rows.rows().moveFirst(); more; more = rows.rows().moveNext())
        ids << rows.numId();
    return ids;
}

int treeItems(const QTreeWidgetItem* item) {
    int n = 1;
    for (int i = 0; i < item->childCount(); ++i)
        n += treeItems(item->child(i));
    return n;
}

bool hourglassShown() {
    return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

struct Entry {
    FileRow row;
    QString folder;
};

// Names, folders, sizes and dates with ties of every kind, and names that differ only by case or
// accents.
QList<Entry> mixedEntries() {
    const QStringList folders = {QStringLiteral("/m"), QStringLiteral("/m/Été"), QStringLiteral("/m/ete"),
                                 QStringLiteral("/m/zèbre")};
    const QStringList names = {
        QStringLiteral("été.txt"), QStringLiteral("Été.txt"), QStringLiteral("ete.txt"),
        QStringLiteral("etude"),   QStringLiteral("B.doc"),   QStringLiteral("b.doc"),
        QStringLiteral("a"),       QStringLiteral("A"),       QStringLiteral("zèbre"),
        QStringLiteral("Zebre"),   QStringLiteral("é"),       QStringLiteral("e")};
    const QStringList types = {QStringLiteral("Fichier"), QStringLiteral("Document texte brut"),
                               QStringLiteral("fichier"), QStringLiteral("Élément")};
    const QDateTime base(QDate(2020, 5, 17), QTime(10, 30, 0));
    QList<Entry> entries;
    qint64 id = 0;
    for (int f = 0; f < folders.size(); ++f)
        for (int n = 0; n < names.size(); ++n) {
            // Sizes and dates repeat across names; each name recurs in every folder.
            const qint64 size = (n * 7 + f) % 5 * 100;
            const QDateTime date = (n + f) % 3 == 0 ? QDateTime() : base.addSecs((n * 3 + f) % 4 * 60);
            entries.append({file(id++, f, names[n], size, types[(n + f) % types.size()], date), folders[f]});
        }
    return entries;
}

// The order a column gives, worked out here from the rules: the column, then the name (the folder
// for the name column), then the order the files were written in.
QList<qint64> referenceOrder(QList<Entry> entries, int column, bool descending) {
    const auto dateText = [](const QDateTime& d) { return d.isValid() ? DateToText(d) : QString(); };
    const auto primary = [&](const Entry& a, const Entry& b) -> int {
        switch (column) {
        case ListingRows::ColNom:
            return CompareNames(a.row.nom, b.row.nom);
        case ListingRows::ColChemin:
            return CompareNames(a.folder, b.folder);
        case ListingRows::ColTaille:
            return a.row.taille < b.row.taille ? -1 : (a.row.taille > b.row.taille ? 1 : 0);
        case ListingRows::ColType:
            return CompareNames(a.row.type, b.row.type);
        default: {
            // Null first, then the stored texts byte by byte.
            const bool na = !a.row.modifie.isValid(), nb = !b.row.modifie.isValid();
            if (na || nb)
                return na == nb ? 0 : (na ? -1 : 1);
            const QByteArray ta = dateText(a.row.modifie).toUtf8(), tb = dateText(b.row.modifie).toUtf8();
            return ta < tb ? -1 : (tb < ta ? 1 : 0);
        }
        }
    };
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        const int d = primary(a, b);
        if (d != 0)
            return descending ? d > 0 : d < 0;
        const int t = column == ListingRows::ColNom ? CompareNames(a.folder, b.folder)
                                                    : CompareNames(a.row.nom, b.row.nom);
        return t < 0;
    });
    QList<qint64> ids;
    for (const Entry& e : entries)
        ids << e.row.numId;
    return ids;
}

// Runs the event loop until the window has made its view or sort.
bool waitLoaded(const frmDirDat& w) {
    return QTest::qWaitFor([&] { return !w.loading(); }, 10000);
}

} // namespace

class TestDirDatBackground : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;
    QTemporaryDir m_dir;
    QList<Entry> m_entries;
    QString m_mixed;
    QString m_large;
    QString m_noFolders;

private Q_SLOTS:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        m_entries = mixedEntries();
        QList<Folder> folders;
        QList<FileRow> files;
        for (const Entry& e : std::as_const(m_entries)) {
            if (folders.isEmpty() || folders.last().nom != e.folder)
                folders.append({e.row.num, e.folder});
            files << e.row;
        }
        m_mixed = m_dir.filePath(QStringLiteral("mixed.dat"));
        QVERIFY(makeCatalogue(m_mixed, QStringLiteral("/"), QStringLiteral("/m"), folders, files));

        // Enough rows that the work is still running when the window closes at once.
        const int count = qEnvironmentVariableIntValue("VAMBREL_TEST_LARGE_FILES") > 0
                              ? qEnvironmentVariableIntValue("VAMBREL_TEST_LARGE_FILES")
                              : 40000;
        QList<Folder> largeFolders;
        for (int f = 0; f < 400; ++f)
            largeFolders.append({f, f == 0 ? QStringLiteral("/l") : QStringLiteral("/l/d%1").arg(f)});
        QList<FileRow> largeFiles;
        for (int i = 0; i < count; ++i)
            largeFiles << file(i, i % 400, QStringLiteral("n%1.txt").arg((i * 7919) % count), i % 1000);
        m_large = m_dir.filePath(QStringLiteral("large.dat"));
        QVERIFY(makeCatalogue(m_large, QStringLiteral("/"), QStringLiteral("/l"), largeFolders, largeFiles));

        m_noFolders = m_dir.filePath(QStringLiteral("nofolders.dat"));
        QVERIFY(makeCatalogue(m_noFolders, QStringLiteral("/"), QStringLiteral("/x"), {}, {}));
    }

    void sortOrders_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("descending");
        const char* names[] = {"Nom", "Chemin", "Taille", "Type", "Modifié"};
        for (int c = 0; c < ListingRows::ColumnCount; ++c)
            for (bool down : {false, true})
                QTest::addRow("%s %s", names[c], down ? "descending" : "ascending") << c << down;
    }

    // The order made in the background is the order made at once, and the one the rules give.
    void sortOrders() {
        QFETCH(int, column);
        QFETCH(bool, descending);
        setView(false);
        const QList<qint64> expected = referenceOrder(m_entries, column, descending);
        for (bool background : {false, true}) {
            frmDirDat w(nullptr);
            w.setBackgroundAbove(background ? 0 : std::numeric_limits<qint64>::max());
            QVERIFY(w.OuvrirDat(m_mixed));
            QVERIFY(waitLoaded(w));
            // From the name order: one click sorts ascending (the name column flips to
            // descending), a second flips.
            const int clicks = column == ListingRows::ColNom ? (descending ? 1 : 2) : (descending ? 2 : 1);
            for (int i = 0; i < clicks; ++i) {
                w.listingColumnClick(column);
                QVERIFY(waitLoaded(w));
            }
            QCOMPARE(w.listing().sortColumn(), column);
            QCOMPARE(w.listing().descending(), descending);
            QCOMPARE(listedIds(w), expected);
        }
    }

    void opening_data() {
        QTest::addColumn<bool>("explore");
        QTest::newRow("explorer view") << true;
        QTest::newRow("flat list") << false;
    }

    // The hourglass while the view is made; then the same view as made at once.
    void opening() {
        QFETCH(bool, explore);
        setView(explore);
        frmDirDat atOnce(nullptr);
        atOnce.setBackgroundAbove(std::numeric_limits<qint64>::max());
        QVERIFY(atOnce.OuvrirDat(m_large));
        QVERIFY(!atOnce.loading());

        frmDirDat w(nullptr);
        w.setBackgroundAbove(0);
        QSignalSpy loaded(&w, &frmDirDat::Loaded);
        QSignalSpy failed(&w, &frmDirDat::OpenFailed);
        QVERIFY(w.OuvrirDat(m_large));
        QVERIFY(w.loading());
        QVERIFY(hourglassShown());
        QVERIFY(!w.canShowVersion());
        QCOMPARE(w.InsExplore(), explore);
        QVERIFY(waitLoaded(w));
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(failed.size(), 0);
        QVERIFY(!hourglassShown());
        if (explore) {
            QCOMPARE(w.treRep()->topLevelItemCount(), 1);
            QCOMPARE(treeItems(w.treRep()->topLevelItem(0)), 400);
            QCOMPARE(treeItems(w.treRep()->topLevelItem(0)), treeItems(atOnce.treRep()->topLevelItem(0)));
            QVERIFY(w.treRep()->topLevelItem(0)->isExpanded());
            QCOMPARE(w.treRep()->currentItem()->text(0), atOnce.treRep()->currentItem()->text(0));
        } else {
            QCOMPARE(w.rowCount(), atOnce.rowCount());
            QCOMPARE(listedIds(w), listedIds(atOnce));
            QCOMPARE(w.panel(2)->text(), atOnce.panel(2)->text());
            QCOMPARE(w.panel(3)->text(), atOnce.panel(3)->text());
        }
        QVERIFY(w.canShowVersion());
    }

    // Closed while its view is being made: no view lands afterwards, the hourglass goes, and the
    // window is destroyed without waiting on anything.
    void closedAtOnce_data() {
        QTest::addColumn<bool>("explore");
        QTest::addColumn<int>("afterMs");
        QTest::newRow("explorer view, at once") << true << 0;
        QTest::newRow("flat list, at once") << false << 0;
        QTest::newRow("explorer view, meanwhile") << true << 5;
        QTest::newRow("flat list, meanwhile") << false << 5;
    }
    void closedAtOnce() {
        QFETCH(bool, explore);
        QFETCH(int, afterMs);
        setView(explore);
        auto* w = new frmDirDat(nullptr);
        w->setBackgroundAbove(0);
        QSignalSpy loaded(w, &frmDirDat::Loaded);
        QVERIFY(w->OuvrirDat(m_large));
        w->show();
        if (afterMs > 0)
            QTest::qWait(afterMs);
        const bool wasLoading = w->loading();
        if (afterMs == 0)
            QVERIFY(wasLoading);
        QVERIFY(w->close());
        QVERIFY(!w->loading());
        QVERIFY(!hourglassShown());
        QTest::qWait(50);
        if (wasLoading)
            QCOMPARE(loaded.size(), 0);
        QVERIFY(!w->listing().isOpen() || !wasLoading);
        delete w;
        QCoreApplication::processEvents();
        QVERIFY(!hourglassShown());
    }

    // The other view asked for while one is being made: only the last one lands.
    void viewChangedWhileLoading() {
        setView(false);
        frmDirDat w(nullptr);
        w.setBackgroundAbove(0);
        QSignalSpy loaded(&w, &frmDirDat::Loaded);
        QVERIFY(w.OuvrirDat(m_large));
        QVERIFY(w.setExploreView(true));
        QVERIFY(w.InsExplore());
        QVERIFY(waitLoaded(w));
        QTest::qWait(20);
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(w.treRep()->topLevelItemCount(), 1);
        QVERIFY(!w.listing().isOpen());
        QVERIFY(w.lstListing()->isHidden());
        QVERIFY(!hourglassShown());
    }

    // Clicks while a sort is being made count from the sort asked for, not the one shown.
    void clicksDuringASort() {
        setView(false);
        frmDirDat w(nullptr);
        w.setBackgroundAbove(0);
        QVERIFY(w.OuvrirDat(m_mixed));
        QVERIFY(waitLoaded(w));
        w.listingColumnClick(ListingRows::ColTaille);
        w.listingColumnClick(ListingRows::ColTaille);
        QCOMPARE(w.lstListing()->header()->sortIndicatorSection(), int(ListingRows::ColTaille));
        QCOMPARE(w.lstListing()->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        QVERIFY(waitLoaded(w));
        QCOMPARE(w.listing().sortColumn(), int(ListingRows::ColTaille));
        QVERIFY(w.listing().descending());
        QCOMPARE(listedIds(w), referenceOrder(m_entries, ListingRows::ColTaille, true));
        QVERIFY(!hourglassShown());
        // An order made before (the name order of the opening) comes back at once.
        w.listingColumnClick(ListingRows::ColNom);
        QVERIFY(!w.loading());
        QCOMPARE(listedIds(w), referenceOrder(m_entries, ListingRows::ColNom, false));
    }

    // A failure found in the background ends the opening as a whole, with the reason.
    void failureInTheBackground() {
        setView(true);
        frmDirDat w(nullptr);
        w.setBackgroundAbove(0);
        QSignalSpy failed(&w, &frmDirDat::OpenFailed);
        QSignalSpy loaded(&w, &frmDirDat::Loaded);
        QVERIFY(w.OuvrirDat(m_noFolders));
        QVERIFY(failed.wait(10000));
        QCOMPARE(failed.first().first().toString(),
                 QStringLiteral("Impossible d'ouvrir ") + m_noFolders +
                     QStringLiteral("\nLe catalogue ne contient aucun répertoire."));
        QCOMPARE(loaded.size(), 0);
        QVERIFY(!w.loading());
        QVERIFY(!hourglassShown());
    }
};

QTEST_MAIN(TestDirDatBackground)
#include "tst_dirdatbackground.moc"
