#include "NativeName.h"
#include "TestCatalogue.h"
#include "TextFormat.h"
#include "catalogue/frmDirDat.h"
#include "catalogue/frmProprietes.h"
#include "catalogue/frmVersion.h"
#include "shell/mSettings.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

using namespace vambrel;
using namespace vambrel::test;

namespace {

QByteArray digest(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

QStringList column(const QTreeWidget* list, int col) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(col);
    return texts;
}

// The flat list shows one page of a model.
int shownRows(const QTreeView* list) {
    return list->model()->rowCount();
}
QString cell(const QTreeView* list, int row, int col) {
    return list->model()->index(row, col).data().toString();
}
QStringList column(const QTreeView* list, int col) {
    QStringList texts;
    for (int i = 0; i < shownRows(list); ++i)
        texts << cell(list, i, col);
    return texts;
}

void setView(bool explore) {
    SaveSetting(kAppName, kSectionStartUp, kKeyAffichage, BoolToSettingText(explore));
}

} // namespace

class TestDirDat : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;
    QTemporaryDir m_dir;
    QString m_tree; // /home/Data with Sub and Subway, three files in Data
    QString m_flat; // 100 files
    QString m_big;  // one folder of 2000 files, one of 3

    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private Q_SLOTS:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        m_tree = path("tree.dat");
        QVERIFY(makeCatalogue(
            m_tree, QStringLiteral("/home/"), QStringLiteral("/home/Data"),
            {{0, QStringLiteral("/home/Data")},
             {1, QStringLiteral("/home/Data/Sub")},
             {2, QStringLiteral("/home/Data/Subway")}},
            {file(0, 0, QStringLiteral("b.txt"), 2000), file(1, 0, QStringLiteral("a.TXT"), 1500),
             file(2, 0, QStringLiteral("README"), 5), file(3, 2, QStringLiteral("z.dll"), 7)}));
        m_flat = path("flat.dat");
        QVERIFY(makeFlatCatalogue(m_flat, 100));
        m_big = path("big.dat");
        QList<FileRow> files;
        for (int i = 0; i < 2000; ++i)
            files << file(i, 0, QStringLiteral("n%1").arg(i, 4, 10, QLatin1Char('0')), 1);
        for (int i = 0; i < 3; ++i)
            files << file(2000 + i, 1, QStringLiteral("m%1").arg(i), 1);
        QVERIFY(makeCatalogue(m_big, QStringLiteral("/"), QStringLiteral("/big"),
                              {{0, QStringLiteral("/big")}, {1, QStringLiteral("/big/small")}}, files));
    }

    void explorerView() {
        setView(true);
        const QByteArray before = digest(m_tree);
        frmDirDat w(nullptr);
        QVERIFY2(w.OuvrirDat(m_tree), qPrintable(w.lastError()));
        QVERIFY(w.InsExplore());
        QVERIFY(!w.treRep()->isHidden());
        QVERIFY(w.lstListing()->isHidden());
        QCOMPARE(w.windowTitle(), QStringLiteral("tree.dat"));
        QCOMPARE(w.panel(1)->text(), QStringLiteral("Origine: /home/"));
        QCOMPARE(w.treRep()->topLevelItemCount(), 1);
        QTreeWidgetItem* data = w.treRep()->topLevelItem(0);
        QCOMPARE(data->text(0), QStringLiteral("Data"));
        QCOMPARE(data->childCount(), 2);
        QVERIFY(data->isExpanded());
        // Node 1's files, by name.
        QCOMPARE(column(w.lstFich(), 0),
                 (QStringList{QStringLiteral("a.TXT"), QStringLiteral("b.txt"), QStringLiteral("README")}));
        QCOMPARE(column(w.lstFich(), 1),
                 (QStringList{QStringLiteral("1 500"), QStringLiteral("2 000"), QStringLiteral("5")}));
        QCOMPARE(w.lstFich()->topLevelItem(0)->text(3), QStringLiteral("17/05/2020 10:30:00"));
        QCOMPARE(w.panel(2)->text(), QStringLiteral("3 fichier(s)"));
        QCOMPARE(w.panel(3)->text(), SizeText(3505));
        QCOMPARE(w.rowCount(), qint64(0));

        // Sizes sort as text; a second click flips the order.
        w.lstFich()->header()->sectionClicked(1);
        QCOMPARE(column(w.lstFich(), 1),
                 (QStringList{QStringLiteral("1 500"), QStringLiteral("2 000"), QStringLiteral("5")}));
        w.lstFich()->header()->sectionClicked(1);
        QCOMPARE(column(w.lstFich(), 1),
                 (QStringList{QStringLiteral("5"), QStringLiteral("2 000"), QStringLiteral("1 500")}));

        w.treRep()->setCurrentItem(data->child(1));
        QCOMPARE(column(w.lstFich(), 0), QStringList{QStringLiteral("z.dll")});
        w.treRep()->setCurrentItem(data->child(0));
        QCOMPARE(w.lstFich()->topLevelItemCount(), 0);
        QCOMPARE(w.panel(2)->text(), QStringLiteral("0 fichier(s)"));
        w.close();
        QCOMPARE(digest(m_tree), before);
    }

    void listingCutShortByAMoveInTheTree() {
        setView(true);
        frmDirDat w(nullptr);
        QVERIFY(w.OuvrirDat(m_big));
        // The first chunk is there at once, the rest follows from the event loop.
        QCOMPARE(w.lstFich()->topLevelItemCount(), frmDirDat::kFolderChunk);
        QVERIFY(w.listingFolder());
        QCOMPARE(w.panel(2)->text(),
                 QString::number(frmDirDat::kFolderChunk) + QStringLiteral(" fichier(s)"));
        QTRY_VERIFY(!w.listingFolder());
        QCOMPARE(w.lstFich()->topLevelItemCount(), 2000);
        QCOMPARE(w.panel(2)->text(), QStringLiteral("2000 fichier(s)"));

        // A move before the listing ends: the new folder only.
        QTreeWidgetItem* top = w.treRep()->topLevelItem(0);
        w.treRep()->setCurrentItem(top->child(0));
        w.treRep()->setCurrentItem(top);
        QCOMPARE(w.lstFich()->topLevelItemCount(), frmDirDat::kFolderChunk);
        w.treRep()->setCurrentItem(top->child(0));
        QTest::qWait(50);
        QCOMPARE(column(w.lstFich(), 0),
                 (QStringList{QStringLiteral("m0"), QStringLiteral("m1"), QStringLiteral("m2")}));
    }

    void flatList() {
        setView(false);
        frmDirDat w(nullptr);
        w.resize(600, 400);
        w.show();
        QVERIFY(w.OuvrirDat(m_flat));
        QVERIFY(!w.InsExplore());
        QVERIFY(!w.lstListing()->isHidden());
        QVERIFY(w.treRep()->isHidden());
        const int page = w.pager().pageRows();
        QVERIFY(page > 3 && page < 100);
        QCOMPARE(shownRows(w.lstListing()), page);
        QCOMPARE(w.rowCount(), qint64(100));
        QCOMPARE(w.vScroll()->minimum(), 1);
        QCOMPARE(w.vScroll()->maximum(), 100 - page + 1);
        QCOMPARE(w.vScroll()->pageStep(), page);
        QCOMPARE(w.panel(2)->text(), QStringLiteral("100 fichier(s)"));
        QCOMPARE(cell(w.lstListing(), 0, 0), QStringLiteral("f000.txt"));
        QCOMPARE(cell(w.lstListing(), 0, 1), QStringLiteral("/data"));
        QCOMPARE(cell(w.lstListing(), 0, 2), QStringLiteral("1 000"));

        // Down on the last shown row brings one row in.
        w.setListingSelection(page - 1);
        w.listingKey(Qt::Key_Down);
        QCOMPARE(w.pager().topRow(), qint64(2));
        QCOMPARE(cell(w.lstListing(), 0, 0), QStringLiteral("f001.txt"));
        QCOMPARE(w.lstListing()->currentIndex().row(), page - 1);
        QCOMPARE(w.vScroll()->value(), 2);

        // The scroll bar moves the page; the rows rest on the first shown row.
        w.vScroll()->setValue(50);
        QCOMPARE(w.pager().topRow(), qint64(50));
        QCOMPARE(cell(w.lstListing(), 0, 0), QStringLiteral("f049.txt"));
        QCOMPARE(w.listing().rows().rows().absolutePosition(), qint64(49));

        // Enlarging keeps the first row and shows more.
        w.resize(600, 700);
        QVERIFY(w.pager().pageRows() > page);
        QCOMPARE(w.pager().topRow(), qint64(50));
        QCOMPARE(cell(w.lstListing(), 0, 0), QStringLiteral("f049.txt"));

        // Sizes sort as numbers: smallest first, then largest first.
        w.listingColumnClick(2);
        QCOMPARE(w.pager().topRow(), qint64(1));
        QCOMPARE(w.vScroll()->value(), 1);
        QCOMPARE(cell(w.lstListing(), 0, 2), QStringLiteral("901"));
        w.listingColumnClick(2);
        QCOMPARE(cell(w.lstListing(), 0, 2), QStringLiteral("1 000"));
        QVERIFY(w.listing().descending());
        // The header shows the sort column and its order.
        QCOMPARE(w.lstListing()->header()->sortIndicatorSection(), 2);
        QCOMPARE(w.lstListing()->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        QVERIFY(w.lstListing()->header()->isSortIndicatorShown());
    }

    void sortTies() {
        const QString p = path("ties.dat");
        QVERIFY(makeCatalogue(p, QStringLiteral("/"), QStringLiteral("/t"),
                              {{0, QStringLiteral("/t")}, {1, QStringLiteral("/t/u")}},
                              {file(0, 1, QStringLiteral("b"), 5, QStringLiteral("Zeta")),
                               file(1, 0, QStringLiteral("a"), 5, QStringLiteral("été")),
                               file(2, 0, QStringLiteral("c"), 1, QStringLiteral("Alpha"))}));
        setView(false);
        frmDirDat w(nullptr);
        QVERIFY(w.OuvrirDat(p));
        const struct {
            int column;
            QString names;
        } clicks[] = {{2, QStringLiteral("c a b")}, {2, QStringLiteral("a b c")},
                      {3, QStringLiteral("c a b")}, {1, QStringLiteral("a c b")},
                      {1, QStringLiteral("b a c")}, {0, QStringLiteral("a b c")},
                      {0, QStringLiteral("c b a")}};
        for (const auto& click : clicks) {
            w.listingColumnClick(click.column);
            QCOMPARE(column(w.lstListing(), 0).join(QLatin1Char(' ')), click.names);
        }
    }

    void unreadableNames_data() {
        QTest::addColumn<bool>("explore");
        QTest::newRow("explorer") << true;
        QTest::newRow("flat list") << false;
    }
    void unreadableNames() {
        QFETCH(bool, explore);
        // Names that are not UTF-8 on disk are shown readably, never as replacement characters.
        const QString folder = QStringLiteral("/n/") + NameFromNative("d\xe9j\xe0", 4);
        const QString p = path("native.dat");
        if (!QFile::exists(p))
            QVERIFY(makeCatalogue(p, QStringLiteral("/n/"), folder, {{0, folder}},
                                  {file(0, 0, NameFromNative("caf\xe9.txt", 8))}));
        setView(explore);
        frmDirDat w(nullptr);
        QVERIFY(w.OuvrirDat(p));
        if (explore) {
            QCOMPARE(w.treRep()->topLevelItem(0)->text(0), QStringLiteral("d\\xE9j\\xE0"));
            QCOMPARE(w.lstFich()->topLevelItem(0)->text(0), QStringLiteral("caf\\xE9.txt"));
        } else {
            QCOMPARE(cell(w.lstListing(), 0, 0), QStringLiteral("caf\\xE9.txt"));
            QCOMPARE(cell(w.lstListing(), 0, 1), QStringLiteral("/n/d\\xE9j\\xE0"));
        }
    }

    void emptyCatalogue() {
        const QString p = path("empty.dat");
        QVERIFY(makeCatalogue(p, QStringLiteral("/"), QStringLiteral("/e"), {{0, QStringLiteral("/e")}}, {}));
        setView(false);
        frmDirDat w(nullptr);
        QVERIFY(w.OuvrirDat(p));
        QCOMPARE(shownRows(w.lstListing()), 0);
        QCOMPARE(w.vScroll()->maximum(), 1);
        QCOMPARE(w.panel(2)->text(), QStringLiteral("0 fichier(s)"));
        w.listingColumnClick(2);
        QCOMPARE(w.listing().sortColumn(), 0);
        w.listingKey(Qt::Key_Down);
        QCOMPARE(w.pager().topRow(), qint64(1));
    }

    void refusedFiles_data() {
        QTest::addColumn<QString>("file");
        const QString text = path("text.dat");
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Ceci n'est pas un catalogue.\n");
        f.close();
        const QString noOrigine = path("noorigine.dat");
        QVERIFY(makeCatalogue(noOrigine, QStringLiteral("/"), QStringLiteral("/x"),
                              {{0, QStringLiteral("/x")}}, {}, Format::NoOrigine));
        const QString noFolders = path("nofolders.dat");
        QVERIFY(makeCatalogue(noFolders, QStringLiteral("/"), QStringLiteral("/x"), {}, {}));
        const QString damaged = path("damaged.dat");
        QFile whole(m_flat);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QFile cut(damaged);
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(whole.read(whole.size() / 3));
        cut.close();
        QTest::newRow("not a catalogue") << text;
        QTest::newRow("damaged") << damaged;
        QTest::newRow("no Origine") << noOrigine;
        QTest::newRow("missing file") << path("absent.dat");
        QTest::newRow("explorer view of no folders") << noFolders;
    }
    void refusedFiles() {
        QFETCH(QString, file);
        setView(true);
        const QByteArray before = digest(file);
        frmDirDat w(nullptr);
        QVERIFY(!w.OuvrirDat(file));
        QVERIFY(!w.lastError().isEmpty());
        QCOMPARE(digest(file), before);
    }

    void earlierFormatWithoutMainWindow() {
        const QString p = path("old.dat");
        QVERIFY(makeCatalogue(p, QStringLiteral("/home/"), QString(), {{0, QStringLiteral("/home/old")}}, {},
                              Format::Earlier));
        setView(true);
        frmDirDat w(nullptr);
        QVERIFY(w.OuvrirDat(p));
        const auto source = w.database().property(Schema::kSource);
        QVERIFY(source.ok() && source.value());
        QCOMPARE(source.value()->value.toString(), QStringLiteral("/home/old"));
    }

    void properties() {
        for (const bool explore : {true, false}) {
            setView(explore);
            frmDirDat w(nullptr);
            QVERIFY(w.OuvrirDat(m_tree));
            frmProprietes dialog;
            w.fillProperties(dialog);
            QCOMPARE(dialog.lblInfo(0)->text(), QStringLiteral("tree.dat"));
            QCOMPARE(dialog.lblInfo(1)->text(), m_dir.path() + QLatin1Char('/'));
            QCOMPARE(dialog.lblInfo(2)->text(), QStringLiteral("04/03/2021 05:06:07"));
            QCOMPARE(dialog.lblInfo(3)->text(), QStringLiteral("/home/Data"));
            QCOMPARE(dialog.lblInfo(4)->text(), QStringLiteral("*.*"));
            QCOMPARE(dialog.lblInfo(5)->text(), QStringLiteral("3"));
            QCOMPARE(dialog.lblInfo(6)->text(), QStringLiteral("4"));
            QCOMPARE(dialog.lblInfo(7)->text(), SizeText(3512));
            QCOMPARE(dialog.txtDescription()->toPlainText(), Schema::kDefaultDescription);
        }
    }

    void propertiesDialog() {
        frmProprietes dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Propriétés"));
        QCOMPARE(dialog.lblEti(8)->text(), QStringLiteral("Description"));
        QVERIFY(dialog.cmdAction(1)->isDefault());
        dialog.show();
        QVERIFY(!dialog.cmdAction(0)->isEnabled());
        const QString old = dialog.txtDescription()->toPlainText();
        dialog.txtDescription()->setPlainText(QStringLiteral("x"));
        dialog.txtDescription()->setPlainText(old);
        // Restoring the text still counts as a change.
        QVERIFY(dialog.cmdAction(0)->isEnabled());
        dialog.hide();
        dialog.show();
        QVERIFY(!dialog.cmdAction(0)->isEnabled());
        dialog.cmdAction_Click(1);
        QVERIFY(dialog.Tag().isEmpty());
        dialog.cmdAction_Click(0);
        QCOMPARE(dialog.Tag(), QStringLiteral("Change"));
        QVERIFY(dialog.isHidden());
    }

    void descriptionSaved() {
        const QString p = path("desc.dat");
        QVERIFY(QFile::copy(m_tree, p));
        setView(true);
        frmDirDat w(nullptr);
        QVERIFY(w.OuvrirDat(p));
        {
            frmProprietes closed;
            w.fillProperties(closed);
            closed.txtDescription()->setPlainText(QStringLiteral("jamais"));
            closed.cmdAction_Click(1);
            QVERIFY(w.applyProperties(closed));
        }
        frmProprietes saved;
        w.fillProperties(saved);
        QCOMPARE(saved.txtDescription()->toPlainText(), Schema::kDefaultDescription);
        saved.txtDescription()->setPlainText(QStringLiteral("Disque des photos, été 2021"));
        saved.cmdAction_Click(0);
        QVERIFY(w.applyProperties(saved));
        Database db;
        QVERIFY(db.open(p, OpenMode::ReadOnly));
        QCOMPARE(db.property(Schema::kDescription).value()->value.toString(),
                 QStringLiteral("Disque des photos, été 2021"));
    }

    // A description that could not be saved comes back with its text and an enabled OK button.
    void descriptionNotSavedIsKept() {
        const QString p = path("gone.dat");
        QVERIFY(QFile::copy(m_tree, p));
        setView(true);
        frmDirDat w(nullptr);
        QVERIFY(w.OuvrirDat(p));
        frmProprietes dialog;
        w.fillProperties(dialog);
        dialog.txtDescription()->setPlainText(QStringLiteral("Photos 2021"));
        dialog.cmdAction_Click(0);
        QVERIFY(QFile::remove(p));
        QVERIFY(!w.applyProperties(dialog));
        QVERIFY(!w.lastError().isEmpty());
        dialog.setUnsaved(true);
        dialog.show();
        QCOMPARE(dialog.txtDescription()->toPlainText(), QStringLiteral("Photos 2021"));
        QVERIFY(dialog.cmdAction(0)->isEnabled());
    }

    void versionWindow() {
        const QString p = path("version.dat");
        QVERIFY(makeCatalogue(p, QStringLiteral("/"), QStringLiteral("/v"), {{0, QStringLiteral("/v")}},
                              {file(0, 0, QStringLiteral("a.exe")), file(1, 0, QStringLiteral("b.txt")),
                               file(2, 0, QStringLiteral("c.dll"))}));
        {
            Database db;
            QVERIFY(db.open(p, OpenMode::ReadWrite));
            CatalogueWriter writer(db);
            VersionStrings strings;
            strings.companyName = QStringLiteral("Quorvat");
            strings.productVersion = QStringLiteral("1.2");
            QVERIFY(writer.addVersion(0, &strings, nullptr));
            QVERIFY(writer.commit());
        }
        setView(true);
        frmDirDat w(nullptr);
        QVERIFY(w.OuvrirDat(p));
        w.lstFich()->setCurrentItem(w.lstFich()->topLevelItem(1));
        frmVersion v;
        QVERIFY(w.prepareVersion(v));
        QVERIFY(!v.ModePoste());
        QCOMPARE(v.windowTitle(), QStringLiteral("Information"));
        QCOMPARE(v.imaNavig(1)->toolTip(), QStringLiteral("Fichier suivant"));
        v.show();
        QCOMPARE(v.lblFichier()->text(), QStringLiteral("b.txt"));
        for (int i = 0; i < frmVersion::kInfoCount; ++i)
            QVERIFY(v.lblInfo(i)->text().isEmpty());
        // A file without version information says so in one line.
        QVERIFY(v.showsNoVersion());
        QVERIFY(v.lblNoVersion()->isVisible());
        QTest::keyClick(&v, Qt::Key_Home);
        QCOMPARE(v.lblFichier()->text(), QStringLiteral("a.exe"));
        QVERIFY(!v.showsNoVersion());
        QVERIFY(v.lblInfo(0)->isVisible());
        QCOMPARE(v.lblInfo(0)->text(), QStringLiteral("Quorvat"));
        QCOMPARE(v.lblInfo(7)->text(), QStringLiteral("1.2"));
        QVERIFY(v.lblInfo(1)->text().isEmpty());
        v.imaNavig_Click(frmVersion::Previous);
        QCOMPARE(v.lblFichier()->text(), QStringLiteral("a.exe"));
        QTest::keyClick(&v, Qt::Key_End);
        QCOMPARE(v.lblFichier()->text(), QStringLiteral("c.dll"));
        QVERIFY(v.lblInfo(0)->text().isEmpty());
        v.imaNavig_Click(frmVersion::Next);
        QCOMPARE(v.lblFichier()->text(), QStringLiteral("c.dll"));
        QTest::keyClick(&v, Qt::Key_PageUp);
        QCOMPARE(v.lblFichier()->text(), QStringLiteral("b.txt"));
    }
};

QTEST_MAIN(TestDirDat)
#include "tst_dirdat.moc"
