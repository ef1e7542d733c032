#pragma once

#include "CatalogueReader.h"
#include "FolderFileList.h"
#include "ListingSource.h"
#include "controls/ChildWindow.h"
#include "controls/ColumnWidths.h"
#include "controls/PagedList.h"
#include "controls/TypeIcons.h"

#include <QWidget>

class QLabel;
class QScrollBar;
class QStatusBar;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace vambrel {

class LightProgress;
class cVSplitter;
class frmProprietes;
class frmVersion;

// One catalogue in a child window of the main window: the explorer view (folder tree and the
// files of the selected folder) or the flat list of every file, paged. The main window drives it
// through ChildWindow; it speaks back through its signals.
class frmDirDat : public QWidget, public ChildWindow {
    Q_OBJECT

public:
    explicit frmDirDat(QWidget* parent = nullptr);
    ~frmDirDat() override;

    // Opens the catalogue read-only (converting an earlier format first) and builds the view
    // that the "Affichage" setting names. False, with nothing shown and lastError() set, on any
    // failure.
    bool OuvrirDat(const QString& path);
    bool OuvrirDatExplore();
    bool OuvrirDatListing();

    // ChildWindow
    QString catalogueFile() const override { return m_tag; }
    bool exploreView() const override { return m_insExplore; }
    bool setExploreView(bool explore) override;
    void ShowVersion() override;
    bool canShowVersion() const override;
    void focusContent() override;
    void ShowProperties() override;
    // The listing preview of this catalogue, on a connection of its own.
    void PrintDat() override;

    bool InsExplore() const { return m_insExplore; }
    // Shows the controls of one view and hides the other's; rebuilds nothing.
    void setInsExplore(bool explore);
    QString Tag() const { return m_tag; }
    const QString& lastError() const { return m_error; }

    // Controls, by their names.
    QTreeWidget* treRep() const { return m_treRep; }
    FolderFileList* lstFich() const { return m_lstFich; }
    PagedList* listingView() const { return m_listingView; }
    QTreeView* lstListing() const { return m_listingView->list(); }
    QScrollBar* vScroll() const { return m_listingView->scrollBar(); }
    QWidget* Frame1() const { return m_frame1; }
    LightProgress* qvtProgress() const { return m_qvtProgress; }
    QStatusBar* staBar() const { return m_staBar; }
    QLabel* panel(int index) const; // 1 to 3

    const ListingPager& pager() const { return m_listingView->pager(); }
    const ListingSource& listing() const { return m_listing; }
    qint64 rowCount() const { return m_insExplore ? 0 : m_listingView->rowCount(); }
    double totalSize() const { return m_totalSize; }
    const Database& database() const { return m_db; }
    // Whether a folder's files are still being listed.
    bool listingFolder() const { return m_lstFich->pending(); }

    // The parts of ShowProperties and ShowVersion around their modal loops.
    void fillProperties(frmProprietes& dialog);
    bool applyProperties(const frmProprietes& dialog);
    bool prepareVersion(frmVersion& window);

    // Lists the files of a folder node (a click in the tree).
    void listFolder(QTreeWidgetItem* node);
    // Keys and clicks of the flat list, as the list control receives them.
    void listingKey(int key) { m_listingView->pageKey(key); }
    void listingColumnClick(int column);
    void setListingSelection(int row) { m_listingView->setPageSelection(row); }

    static constexpr int kFolderChunk = FolderFileList::kChunk;

Q_SIGNALS:
    // A failure to tell the user, with a critical icon.
    void Message(const QString& text);
    // The catalogue is of the earlier format and is about to be converted: tell the user.
    void ConversionNotice();
    // What the window's commands can act on changed (canShowVersion()).
    void CommandsChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool fail(const QString& error);
    bool convertIfEarlier(const QString& path);
    void layoutControls();
    void showStatus(qint64 files);
    void showSortIndicator();

    QString m_tag;
    QString m_error;
    bool m_insExplore = false;
    Database m_db;
    QString m_origin;
    FolderRows m_folders;    // foldersRs
    ListingSource m_listing; // filesRs of the flat list
    double m_totalSize = 0;

    LightProgress* m_qvtProgress;
    PagedList* m_listingView;
    QWidget* m_frame1;
    QStatusBar* m_staBar;
    QLabel* m_panels[3];
    QTreeWidget* m_treRep;
    FolderFileList* m_lstFich;
    TypeIcons m_icons;
    ColumnWidths* m_listingWidths;
    ColumnWidths* m_fichWidths;
    cVSplitter* m_splitter;
};

} // namespace vambrel
