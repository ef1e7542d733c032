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
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
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

frmDirDat::~frmDirDat() = default;

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
    m_tag = path;
    setWindowTitle(FileNameOf(path));
    m_error.clear();
    if (!m_db.open(path, OpenMode::ReadOnly))
        return fail(m_db.lastError());
    const auto origin = CatalogueReader(m_db).origine();
    if (!origin)
        return fail(origin.error());
    m_origin = origin.value();
    m_panels[0]->setText(QStringLiteral("Origine: ") + m_origin);
    if (!convertIfEarlier(path))
        return false;
    auto folders = FolderRows::open(m_db);
    if (!folders)
        return fail(folders.error());
    m_folders = std::move(folders.value());
    const bool ok = m_insExplore ? OuvrirDatExplore() : OuvrirDatListing();
    if (ok)
        setInsExplore(m_insExplore);
    return ok;
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
    if (!(explore ? OuvrirDatExplore() : OuvrirDatListing()))
        return false;
    setInsExplore(explore);
    return true;
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
    return m_db.isOpen() &&
           (m_insExplore ? m_lstFich->topLevelItemCount() > 0 : m_listingView->rowCount() > 0);
}

void frmDirDat::focusContent() {
    if (m_insExplore)
        m_lstFich->setFocus();
    else
        lstListing()->setFocus();
}

// ---- explorer view ----

bool frmDirDat::OuvrirDatExplore() {
    if (!m_db.isOpen() || !m_folders.isValid())
        return false;
    m_lstFich->clearFolder();
    m_treRep->clear();
    Snapshot& rows = m_folders.rows();
    const qint64 count = rows.recordCount();
    if (count < 1 || count > INT_MAX) {
        m_error = QStringLiteral("Le catalogue ne contient aucun répertoire.");
        return false;
    }
    WaitCursor hourglass;
    m_qvtProgress->setValue(m_qvtProgress->Min());
    m_qvtProgress->setMax(int(count));
    m_qvtProgress->show();
    m_qvtProgress->raise();
    m_qvtProgress->repaint();

    FolderTreeBuilder builder(m_origin, CatalogueReader(m_db).startFolders());
    const int step = std::max<int>(1, int(count / 50));
    qint64 row = 0;
    for (bool more = rows.moveFirst(); more; more = rows.moveNext(), ++row) {
        builder.addFolder(m_folders.num(), m_folders.nom());
        if (row % step == 0) {
            m_qvtProgress->setValue(int(rows.absolutePosition() + 1));
            m_qvtProgress->repaint();
        }
    }

    // Items are made detached, then handed to the tree in one call.
    const auto& nodes = builder.nodes();
    const QIcon driveIcon = m_icons.fixed(TypeIcons::Drive);
    const QIcon folderIcon = m_icons.folder();
    std::vector<QTreeWidgetItem*> items(nodes.size());
    QList<QTreeWidgetItem*> topLevel;
    for (size_t i = 0; i < nodes.size(); ++i) {
        const auto& node = nodes[i];
        auto* item = new QTreeWidgetItem(QStringList(DisplayName(node.text)));
        item->setData(0, kKeyRole, node.key);
        item->setIcon(0, node.image == FolderTreeBuilder::DriveImage ? driveIcon : folderIcon);
        items[i] = item;
        if (node.parent < 0)
            topLevel << item;
        else
            items[size_t(node.parent)]->addChild(item);
    }
    m_treRep->addTopLevelItems(topLevel);
    m_qvtProgress->hide();
    m_listingView->setSource(nullptr);
    if (!topLevel.isEmpty()) {
        topLevel.first()->setExpanded(true);
        // Selecting the first node lists its files.
        m_treRep->setCurrentItem(topLevel.first());
    }
    return true;
}

void frmDirDat::listFolder(QTreeWidgetItem* node) {
    m_totalSize = 0;
    m_lstFich->listFolder(node ? &m_db : nullptr,
                          node ? FolderTreeBuilder::numberOfKey(node->data(0, kKeyRole).toString()) : -1);
}

// ---- flat list ----

bool frmDirDat::OuvrirDatListing() {
    if (!m_db.isOpen())
        return false;
    WaitCursor hourglass;
    m_lstFich->clearFolder();
    m_listingView->setSource(nullptr);
    QString error;
    if (!m_listing.open(m_db, &error)) {
        m_error = error;
        return false;
    }
    m_totalSize = m_listing.totalSize();
    layoutControls();
    m_listingView->setSource(&m_listing);
    showSortIndicator();
    m_listingWidths->fitOnce();
    showStatus(m_listingView->rowCount());
    return true;
}

void frmDirDat::listingColumnClick(int column) {
    if (m_listingView->model()->rowCount() == 0 || !m_listing.sortByColumn(column)) {
        showSortIndicator(); // the header flips its own on a click
        return;
    }
    WaitCursor hourglass;
    m_listingView->reset();
    showSortIndicator();
}

void frmDirDat::showSortIndicator() {
    lstListing()->header()->setSortIndicator(
        m_listing.sortColumn(), m_listing.descending() ? Qt::DescendingOrder : Qt::AscendingOrder);
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
