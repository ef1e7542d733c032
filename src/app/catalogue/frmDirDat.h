#pragma once

#include "Database.h"
#include "ListingPager.h"
#include "ListingSource.h"
#include "Snapshot.h"
#include "controls/ImageList.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QScrollBar;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace vambrel {

class LightProgress;
class cVSplitter;
class frmProprietes;
class frmVambrel;
class frmVersion;

// One catalogue in a child window of the main window: the explorer view (folder tree and the
// files of the selected folder) or the flat list of every file, paged. The main window calls the
// invokable members by name on its active child.
class frmDirDat : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool InsExplore READ InsExplore WRITE setInsExplore)
    Q_PROPERTY(QString Tag READ Tag)

public:
    explicit frmDirDat(frmVambrel* main, QWidget* parent = nullptr);
    ~frmDirDat() override;

    // Opens the catalogue read-only (converting an earlier format first) and builds the view
    // that the "Affichage" setting names. False, with nothing shown, on any failure.
    Q_INVOKABLE bool OuvrirDat(const QString& path);
    Q_INVOKABLE bool OuvrirDatExplore();
    Q_INVOKABLE bool OuvrirDatListing();
    Q_INVOKABLE void ShowVersion();
    Q_INVOKABLE void ShowProperties();
    // The listing preview comes with the printing windows.
    Q_INVOKABLE void PrintDat();

    bool InsExplore() const { return m_insExplore; }
    // Shows the controls of one view and hides the other's; rebuilds nothing.
    void setInsExplore(bool explore);
    QString Tag() const { return m_tag; }
    const QString& lastError() const { return m_error; }

    // Controls, by their names.
    QTreeWidget* treRep() const { return m_treRep; }
    QTreeWidget* lstFich() const { return m_lstFich; }
    QTreeWidget* lstListing() const { return m_lstListing; }
    QScrollBar* vScroll() const { return m_vScroll; }
    QWidget* Frame1() const { return m_frame1; }
    LightProgress* qvtProgress() const { return m_qvtProgress; }
    QStatusBar* staBar() const { return m_staBar; }
    QLabel* panel(int index) const; // 1 to 3

    const ListingPager& pager() const { return m_pager; }
    const ListingSource& listing() const { return m_listing; }
    qint64 rowCount() const { return m_insExplore ? 0 : m_pager.rowCount(); }
    double totalSize() const { return m_totalSize; }
    const Database& database() const { return m_db; }
    // Whether a folder's files are still being listed.
    bool listingFolder() const { return m_folderPending; }

    // The parts of ShowProperties and ShowVersion around their modal loops.
    void fillProperties(frmProprietes& dialog);
    bool applyProperties(const frmProprietes& dialog);
    bool prepareVersion(frmVersion& window);

    // Lists the files of a folder node (a click in the tree).
    void listFolder(QTreeWidgetItem* node);
    // Keys and clicks of the flat list, as the list control receives them.
    void listingKey(int key);
    void listingColumnClick(int column);
    void setListingSelection(int row);

    static constexpr int kFolderChunk = 512; // rows listed before pending input is looked at

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutControls();
    void computePage();
    void fillPage();
    QTreeWidgetItem* listingItem() const;
    void addListingRow(bool atTop);
    void applyPagerAction(ListingPager::Action action);
    void onScroll(int value);
    void fillFolderChunk(quint64 generation);
    void lstFichColumnClick(int column);
    void runVersionCommand();
    QIcon fileIcon(const QString& nom);
    void message(const QString& text);

    frmVambrel* m_main;
    QString m_tag;
    QString m_error;
    bool m_insExplore = false;
    Database m_db;
    QString m_origin;
    Snapshot m_folders;      // foldersRs
    Snapshot m_folderFiles;  // filesRs of the explorer view
    ListingSource m_listing; // filesRs of the flat list
    ListingPager m_pager;
    double m_totalSize = 0;
    quint64 m_listGeneration = 0;
    bool m_folderPending = false;
    int m_fichSortColumn = -1;
    Qt::SortOrder m_fichSortOrder = Qt::AscendingOrder;
    bool m_filling = false;

    LightProgress* m_qvtProgress;
    QScrollBar* m_vScroll;
    QWidget* m_frame1;
    QStatusBar* m_staBar;
    QLabel* m_panels[3];
    QTreeWidget* m_treRep;
    QTreeWidget* m_lstFich;
    QTreeWidget* m_lstListing;
    ImageList m_imlStack;
    cVSplitter* m_splitter;
};

} // namespace vambrel
