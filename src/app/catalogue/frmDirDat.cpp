#include "frmDirDat.h"

#include "CatalogueConversion.h"
#include "CatalogueWriter.h"
#include "FolderTreeBuilder.h"
#include "NativeName.h"
#include "PathSyntax.h"
#include "TextFormat.h"
#include "controls/LightProgress.h"
#include "controls/WaitCursor.h"
#include "controls/cVSplitter.h"
#include "frmProprietes.h"
#include "frmVersion.h"
#include "print/frmApercu.h"
#include "shell/mSettings.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

namespace vambrel {

namespace {

constexpr int kKeyRole = Qt::UserRole + 1;
constexpr int kTreeWidth = 240; // the folder tree's share at first: names of a few levels readable

} // namespace

frmDirDat::frmDirDat(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(640, 420);

    m_treRep = new QTreeWidget(this);
    m_treRep->setHeaderHidden(true);
    m_treRep->setUniformRowHeights(true);
    m_treRep->setIconSize(QSize(16, 16));
    m_lstFich = new FolderFileList(m_icons, this);
    m_listingView = new PagedList(this);
    m_frame1 = new QWidget(this);
    m_frame1->setGeometry(kTreeWidth, 0, 4, 100);
    m_qvtProgress = new LightProgress(this);
    m_qvtProgress->hide();
    m_staBar = new QStatusBar(this);
    m_staBar->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(m_staBar);
        m_staBar->addWidget(m_panels[i], i == 0 ? 2 : 1);
    }
    for (QWidget* hidden : {static_cast<QWidget*>(m_treRep), static_cast<QWidget*>(m_lstFich), m_frame1,
                            static_cast<QWidget*>(m_listingView)})
        hidden->hide();

    m_splitter = new cVSplitter(this);
    m_splitter->setTop(0);
    m_splitter->setTrackSplit(true);
    m_splitter->SetControls(m_frame1, m_treRep, m_lstFich, this);

    m_listingWidths = new ColumnWidths(lstListing(), QStringLiteral("listing"));
    m_fichWidths = new ColumnWidths(m_lstFich, QStringLiteral("fichiers"));
    lstListing()->header()->setSortIndicatorShown(true);
    m_listing.setIconProvider([this](const QString& nom) { return m_icons.forName(nom); });
    connect(m_treRep, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { listFolder(current); });
    connect(m_lstFich, &FolderFileList::Listed, this, [this](qint64 files, double size) {
        m_totalSize = size;
        showStatus(files);
        m_fichWidths->fitOnce();
        Q_EMIT CommandsChanged();
    });
    connect(m_listingView, &PagedList::headerClicked, this, &frmDirDat::listingColumnClick);
    connect(m_listingView, &PagedList::activated, this, &frmDirDat::ShowVersion);
    m_lstFich->installEventFilter(this);
    m_lstFich->viewport()->installEventFilter(this);

    m_insExplore =
        SettingTextToBool(GetSetting(kAppName, kSectionStartUp, kKeyAffichage, QStringLiteral("0")));
    layoutControls();
}

frmDirDat::~frmDirDat() {
    m_work.cancel();
}

QLabel* frmDirDat::panel(int index) const {
    return index >= 1 && index <= 3 ? m_panels[index - 1] : nullptr;
}

bool frmDirDat::fail(const QString& error) {
    m_error = error;
    m_db.close();
    return false;
}

void frmDirDat::showStatus(qint64 files) {
    m_panels[1]->setText(QString::number(files) + QStringLiteral(" fichier(s)"));
    m_panels[2]->setText(SizeText(m_totalSize));
}

// ---- opening ----

bool frmDirDat::OuvrirDat(const QString& path) {
    WaitCursor hourglass;
    stopLoading();
    m_tag = path;
    setWindowTitle(FileNameOf(path));
    m_error.clear();
    if (!m_db.open(path, OpenMode::ReadOnly))
        return fail(m_db.lastError());
    const CatalogueReader reader(m_db);
    const auto origin = reader.origine();
    if (!origin)
        return fail(origin.error());
    m_origin = origin.value();
    m_panels[0]->setText(QStringLiteral("Origine: ") + m_origin);
    if (!convertIfEarlier(path))
        return false;
    m_startFolders = reader.startFolders();
    m_folders = FolderRows();
    m_opening = true;
    if (!loadView(m_insExplore))
        return fail(m_error);
    return true;
}

// The conversion writes: a connection of its own, then this one sees the new properties.
bool frmDirDat::convertIfEarlier(const QString& path) {
    if (!CatalogueConversion::needsConversion(m_db))
        return true;
    Q_EMIT ConversionNotice();
    Database writable;
    QString error;
    if (!writable.open(path, OpenMode::ReadWrite))
        return fail(writable.lastError());
    if (!CatalogueConversion::convert(writable, Schema::formatVersion(), &error))
        return fail(error);
    return true;
}

bool frmDirDat::setExploreView(bool explore) {
    return loadView(explore);
}

bool frmDirDat::OuvrirDatExplore() {
    return loadView(true);
}

bool frmDirDat::OuvrirDatListing() {
    return loadView(false);
}

void frmDirDat::setInsExplore(bool explore) {
    m_insExplore = explore;
    m_treRep->setVisible(explore);
    m_lstFich->setVisible(explore);
    m_frame1->setVisible(explore);
    m_listingView->setVisible(!explore);
    lstListing()->setVisible(!explore);
    vScroll()->setVisible(!explore);
    layoutControls();
    Q_EMIT CommandsChanged();
}

bool frmDirDat::canShowVersion() const {
    return m_db.isOpen() && !loading() &&
           (m_insExplore ? m_lstFich->topLevelItemCount() > 0 : m_listingView->rowCount() > 0);
}

void frmDirDat::focusContent() {
    if (m_insExplore)
        m_lstFich->setFocus();
    else
        lstListing()->setFocus();
}

// ---- making a view ----

// Items made but not yet in the tree; they go with it when the filling is abandoned.
struct frmDirDat::TreeFill {
    std::vector<FolderTreeBuilder::Node> nodes;
    std::vector<QTreeWidgetItem*> items;
    QList<QTreeWidgetItem*> topLevel;
    size_t next = 0;
    ~TreeFill() { qDeleteAll(topLevel); }
};

bool frmDirDat::large() const {
    return QFileInfo(m_tag).size() > m_backgroundAbove;
}

// The reading, the sort and the tree's shape are made from a connection of the work's own, with
// copies of what they need: nothing of the window is touched until the finish, on its thread.
bool frmDirDat::loadView(bool explore) {
    if (!m_db.isOpen())
        return false;
    stopLoading();
    m_lstFich->clearFolder();
    // Only the view being made is emptied: clearing a large tree is itself a long pause.
    if (explore) {
        m_treRep->clear();
    } else {
        m_listingView->setSource(nullptr);
        m_listing.close();
    }
    m_error.clear();

    const QString path = m_tag;
    const FolderRows known = m_folders;
    BackgroundWork::Work work;
    if (explore) {
        work = [this, path, known, origin = m_origin, starts = m_startFolders](const StopFlag& stop) {
            QString error;
            FolderRows folders = known;
            std::vector<FolderTreeBuilder::Node> nodes;
            Database db;
            if (!folders.isValid()) {
                auto read = db.open(path, OpenMode::ReadOnly) ? FolderRows::open(db, &stop)
                                                              : Result<FolderRows>::failure(db.lastError());
                if (read)
                    folders = std::move(read.value());
                else
                    error = read.error();
            }
            if (folders.isValid()) {
                Snapshot& rows = folders.rows();
                const qint64 count = rows.recordCount();
                if (count < 1 || count > INT_MAX) {
                    error = QStringLiteral("Le catalogue ne contient aucun répertoire.");
                } else {
                    FolderTreeBuilder builder(origin, starts);
                    builder.reserve(count);
                    for (bool more = rows.moveFirst(); more && !StopRequested(&stop); more = rows.moveNext())
                        builder.addFolder(folders.num(), folders.nom());
                    nodes = builder.takeNodes();
                }
            }
            return [this, folders, nodes = std::move(nodes), error]() mutable {
                QString failure = error;
                if (failure.isEmpty() && adoptTree(std::move(folders), std::move(nodes), &failure))
                    return;
                loadFailed(failure);
            };
        };
    } else {
        const ListingSource::SortChoice sort = m_listing.sort();
        work = [this, path, known, sort](const StopFlag& stop) -> BackgroundWork::Finish {
            Database db;
            if (!db.open(path, OpenMode::ReadOnly))
                return [this, error = db.lastError()] { loadFailed(error); };
            Result<FolderRows> folders = known;
            if (!known.isValid())
                folders = FolderRows::open(db, &stop);
            if (!folders)
                return [this, error = folders.error()] { loadFailed(error); };
            auto loaded = ListingSource::load(db, folders.value(), sort.column, sort.descending, &stop);
            return [this, folders = std::move(folders.value()), loaded = std::move(loaded)]() mutable {
                QString failure;
                if (!adoptListing(std::move(folders), std::move(loaded), &failure))
                    loadFailed(failure);
            };
        };
    }

    const bool previous = m_insExplore;
    m_insExplore = explore;
    m_background = large();
    if (!m_background) {
        const StopFlag never{false};
        WaitCursor hourglass;
        BackgroundWork::Finish finish = work(never);
        finish();
        if (m_error.isEmpty())
            return true;
        m_insExplore = previous; // the view shown is unchanged
        return false;
    }
    m_hourglass.emplace();
    setInsExplore(explore);
    m_work.start(std::move(work));
    return true;
}

void frmDirDat::stopLoading() {
    m_work.cancel();
    m_fill.reset();
    m_pendingSort.reset();
    m_hourglass.reset();
    m_qvtProgress->hide();
}

// At once, the caller reports; in the background, the opening fails as a whole or the user is told.
void frmDirDat::loadFailed(const QString& error) {
    m_error = error;
    m_fill.reset();
    m_hourglass.reset();
    m_qvtProgress->hide();
    const bool opening = std::exchange(m_opening, false);
    if (!std::exchange(m_background, false))
        return; // made at once: the caller reports
    if (opening)
        Q_EMIT OpenFailed(QStringLiteral("Impossible d'ouvrir ") + m_tag + QLatin1Char('\n') + error);
    else
        Q_EMIT Message(error);
    Q_EMIT CommandsChanged();
}

void frmDirDat::finishLoading() {
    m_opening = false;
    m_background = false;
    m_hourglass.reset();
    setInsExplore(m_insExplore);
    Q_EMIT Loaded();
}

// ---- explorer view ----

bool frmDirDat::adoptTree(FolderRows folders, std::vector<FolderTreeBuilder::Node> nodes, QString* error) {
    if (nodes.empty()) {
        *error = QStringLiteral("Le catalogue ne contient aucun répertoire.");
        return false;
    }
    m_folders = std::move(folders);
    m_fill = std::make_unique<TreeFill>();
    m_fill->nodes = std::move(nodes);
    m_fill->items.resize(m_fill->nodes.size());
    m_qvtProgress->setValue(m_qvtProgress->Min());
    m_qvtProgress->setMax(int(m_fill->nodes.size()));
    if (!m_background) {
        fillTree(-1);
        attachTree();
        return true;
    }
    m_qvtProgress->show();
    m_qvtProgress->raise();
    fillTreeSlice();
    return true;
}

void frmDirDat::fillTreeSlice() {
    if (!m_fill)
        return;
    // Slices well under the longest pause allowed between two paints; the tree takes its items
    // in a turn of its own.
    constexpr qint64 kSliceMs = 15;
    if (fillTree(kSliceMs))
        QTimer::singleShot(0, this, [this] {
            if (m_fill)
                attachTree();
        });
    else
        QTimer::singleShot(0, this, &frmDirDat::fillTreeSlice);
}

// Items are made detached, then handed to the tree in one call.
bool frmDirDat::fillTree(qint64 budgetMs) {
    TreeFill& fill = *m_fill;
    const QIcon driveIcon = m_icons.fixed(TypeIcons::Drive);
    const QIcon folderIcon = m_icons.folder();
    QElapsedTimer clock;
    clock.start();
    for (; fill.next < fill.nodes.size(); ++fill.next) {
        if (budgetMs >= 0 && (fill.next & 255u) == 0 && clock.elapsed() >= budgetMs)
            break;
        const auto& node = fill.nodes[fill.next];
        auto* item = new QTreeWidgetItem(QStringList(DisplayName(node.text)));
        item->setData(0, kKeyRole, node.key);
        item->setIcon(0, node.image == FolderTreeBuilder::DriveImage ? driveIcon : folderIcon);
        fill.items[fill.next] = item;
        if (node.parent < 0)
            fill.topLevel << item;
        else
            fill.items[size_t(node.parent)]->addChild(item);
    }
    m_qvtProgress->setValue(int(fill.next));
    return fill.next == fill.nodes.size();
}

void frmDirDat::attachTree() {
    const QList<QTreeWidgetItem*> topLevel = std::exchange(m_fill->topLevel, {});
    m_fill.reset();
    m_treRep->addTopLevelItems(topLevel);
    m_qvtProgress->hide();
    m_listingView->setSource(nullptr);
    finishLoading();
    if (!topLevel.isEmpty()) {
        topLevel.first()->setExpanded(true);
        // Selecting the first node lists its files.
        m_treRep->setCurrentItem(topLevel.first());
    }
}

void frmDirDat::listFolder(QTreeWidgetItem* node) {
    m_totalSize = 0;
    m_lstFich->listFolder(node ? &m_db : nullptr,
                          node ? FolderTreeBuilder::numberOfKey(node->data(0, kKeyRole).toString()) : -1);
}

// ---- flat list ----

bool frmDirDat::adoptListing(FolderRows folders, Result<ListingSource::Loaded> loaded, QString* error) {
    if (!loaded) {
        *error = loaded.error();
        return false;
    }
    m_folders = std::move(folders);
    m_listing.adopt(std::move(loaded.value()));
    m_totalSize = m_listing.totalSize();
    layoutControls();
    m_listingView->setSource(&m_listing);
    showSortIndicator();
    m_listingWidths->fitOnce();
    showStatus(m_listingView->rowCount());
    finishLoading();
    return true;
}

void frmDirDat::listingColumnClick(int column) {
    if (m_listingView->model()->rowCount() == 0 || column < 0 || column >= ListingSource::ColumnCount ||
        (loading() && !m_pendingSort)) {
        showSortIndicator(); // the header flips its own on a click
        return;
    }
    const auto next = ListingSource::clickedSort(m_pendingSort.value_or(m_listing.sort()), column);
    stopLoading();
    if (m_listing.showCachedSort(next)) {
        m_listingView->reset();
        showSortIndicator();
        Q_EMIT Loaded();
        return;
    }
    if (!large()) {
        WaitCursor hourglass;
        auto sorted = m_listing.baseRows().sorted(next.column, next.descending);
        if (sorted)
            adoptSort(next, std::move(sorted.value()));
        else
            showSortIndicator();
        return;
    }
    m_pendingSort = next;
    m_hourglass.emplace();
    showSortIndicator();
    m_work.start([this, base = m_listing.baseRows(), next](const StopFlag& stop) -> BackgroundWork::Finish {
        auto sorted = base.sorted(next.column, next.descending, &stop);
        return [this, next, sorted = std::move(sorted)]() mutable {
            m_pendingSort.reset();
            m_hourglass.reset();
            if (sorted)
                adoptSort(next, std::move(sorted.value()));
            else
                showSortIndicator();
        };
    });
}

void frmDirDat::adoptSort(ListingSource::SortChoice choice, ListingRows sorted) {
    m_listing.adoptSort(choice, std::move(sorted));
    m_listingView->reset();
    showSortIndicator();
    Q_EMIT Loaded();
}

void frmDirDat::showSortIndicator() {
    const auto shown = m_pendingSort.value_or(m_listing.sort());
    lstListing()->header()->setSortIndicator(shown.column,
                                             shown.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

// ---- commands ----

bool frmDirDat::prepareVersion(frmVersion& window) {
    if (!m_db.isOpen())
        return false;
    QAbstractItemView* list = m_insExplore ? static_cast<QAbstractItemView*>(m_lstFich) : lstListing();
    if (!list->model() || list->model()->rowCount() == 0)
        return false;
    auto rows = FileRows::over(m_insExplore ? m_lstFich->rows().rows() : m_listing.rows().rows());
    if (!rows)
        return false;
    window.setModePoste(false);
    window.setBaseDat(&m_db);
    window.setRecFichiers(rows.value());
    window.setListeFichiers(list);
    return true;
}

void frmDirDat::ShowVersion() {
    frmVersion window(this);
    if (prepareVersion(window))
        window.exec();
}

void frmDirDat::fillProperties(frmProprietes& dialog) {
    const CatalogueReader reader(m_db);
    dialog.lblInfo(0)->setText(windowTitle());
    dialog.lblInfo(1)->setText(FolderOf(m_tag));
    dialog.lblInfo(2)->setText(reader.propertyText(Schema::kDateCreation));
    dialog.lblInfo(3)->setText(reader.propertyText(Schema::kSource));
    dialog.lblInfo(4)->setText(reader.propertyText(Schema::kMasque));
    dialog.lblInfo(5)->setText(QString::number(m_folders.rows().recordCount()));
    CatalogueReader::FileTotals totals;
    if (m_insExplore) {
        if (auto read = reader.fileTotals())
            totals = read.value();
    } else {
        totals = {m_listingView->rowCount(), m_listing.totalSize()};
    }
    dialog.lblInfo(6)->setText(QString::number(totals.files));
    dialog.lblInfo(7)->setText(SizeText(totals.size));
    dialog.txtDescription()->setPlainText(reader.propertyText(Schema::kDescription));
}

// Stores the description through a connection of its own: browsing stays read-only.
bool frmDirDat::applyProperties(const frmProprietes& dialog) {
    if (dialog.Tag() != QStringLiteral("Change"))
        return true;
    Database writable;
    QString error;
    if (writable.open(m_tag, OpenMode::ReadWrite) &&
        SetDescription(writable, dialog.txtDescription()->toPlainText(), &error))
        return true;
    m_error = error.isEmpty() ? writable.lastError() : error;
    return false;
}

void frmDirDat::ShowProperties() {
    if (!m_db.isOpen())
        return;
    frmProprietes dialog(this);
    fillProperties(dialog);
    // A description that could not be saved is not lost: the dialog comes back with its text,
    // to try again or to cancel.
    for (;;) {
        dialog.exec();
        if (applyProperties(dialog))
            return;
        Q_EMIT Message(QStringLiteral("Impossible d'enregistrer la description dans ") + m_tag +
                       QLatin1Char('\n') + m_error);
        dialog.setUnsaved(true);
    }
}

void frmDirDat::PrintDat() {
    QString error;
    if (!frmApercu::openCatalogue(window(), m_tag, false, &error))
        Q_EMIT Message(error);
}

// ---- window ----

void frmDirDat::layoutControls() {
    const int statusHeight = m_staBar->sizeHint().height();
    const int w = width();
    const int h = height();
    m_staBar->setGeometry(0, h - statusHeight, w, statusHeight);
    m_qvtProgress->setGeometry(0, 0, w, m_qvtProgress->sizeHint().height());
    m_listingView->setGeometry(0, 0, w, std::max(0, h - statusHeight));
    m_splitter->setHeightOffset(statusHeight);
    m_splitter->layout();
}

void frmDirDat::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isMinimized() || (window() && window()->isMinimized()))
        return;
    layoutControls();
}

void frmDirDat::closeEvent(QCloseEvent* event) {
    stopLoading();
    m_lstFich->clearFolder();
    m_listingView->setSource(nullptr);
    m_db.close();
    Q_EMIT CommandsChanged();
    QWidget::closeEvent(event);
}

// Return and a double click in the explorer view's file list show the version window.
bool frmDirDat::eventFilter(QObject* watched, QEvent* event) {
    const bool key =
        event->type() == QEvent::KeyPress && (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                                              static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter);
    const bool doubleClick = event->type() == QEvent::MouseButtonDblClick && watched == m_lstFich->viewport();
    if ((watched == m_lstFich || watched == m_lstFich->viewport()) && (key || doubleClick)) {
        if (m_lstFich->currentItem() && m_lstFich->currentItem()->isSelected())
            ShowVersion();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vambrel
