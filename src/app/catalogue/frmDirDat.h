#pragma once

#include "CatalogueReader.h"
#include "FolderFileList.h"
#include "FolderTreeBuilder.h"
#include "ListingSource.h"
#include "controls/BackgroundWork.h"
#include "controls/ChildWindow.h"
#include "controls/ColumnWidths.h"
#include "controls/PagedList.h"
#include "controls/TypeIcons.h"
#include "controls/WaitCursor.h"

#include <QWidget>
#include <optional>

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
    // failure found at once. A large catalogue is read and sorted on another thread: the call
    // returns true at once, the hourglass shows until Loaded(), and a later failure comes as
    // OpenFailed(). A small one is done before the call returns.
    bool OuvrirDat(const QString& path);
    // Build the explorer view or the flat list, in the same way.
    bool OuvrirDatExplore();
    bool OuvrirDatListing();
    // Whether a view or a sort is still being made.
    bool loading() const { return m_work.busy() || m_fill != nullptr; }
    // Catalogue files above this size are read, sorted and shown in slices off the window's
    // thread; smaller ones take less time than a thread costs.
    static constexpr qint64 kBackgroundBytes = 2 * 1024 * 1024;
    void setBackgroundAbove(qint64 bytes) { m_backgroundAbove = bytes; }

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
    // A view or a sort made in the background is shown (also sent when it was made at once).
    void Loaded();
    // A catalogue being read in the background cannot be shown: the window is of no use. The
    // text says why, for the user.
    void OpenFailed(const QString& text);

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

    bool large() const;
    bool loadView(bool explore);
    // Ends the background work and the slices, if any; the hourglass goes.
    void stopLoading();
    void loadFailed(const QString& error);
    void finishLoading();
    struct TreeFill;
    bool adoptTree(FolderRows folders, std::vector<FolderTreeBuilder::Node> nodes, QString* error);
    // Makes items for the next nodes during `budgetMs` (all of them when negative); true when done.
    bool fillTree(qint64 budgetMs);
    void fillTreeSlice();
    void attachTree();
    bool adoptListing(FolderRows folders, Result<ListingSource::Loaded> loaded, QString* error);
    void adoptSort(ListingSource::SortChoice choice, ListingRows sorted);

    QString m_tag;
    QStringList m_startFolders;
    qint64 m_backgroundAbove = kBackgroundBytes;
    bool m_opening = false;    // the first view of OuvrirDat is being made
    bool m_background = false; // the view being made comes from the background work
    std::optional<ListingSource::SortChoice> m_pendingSort;
    std::optional<WaitCursor> m_hourglass;
    std::unique_ptr<TreeFill> m_fill;
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
    BackgroundWork m_work; // last: its thread ends before anything it was given goes
};

} // namespace vambrel
