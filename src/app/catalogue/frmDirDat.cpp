#include "frmDirDat.h"

#include "CatalogueConversion.h"
#include "FolderTreeBuilder.h"
#include "NativeName.h"
#include "PathSyntax.h"
#include "TextFormat.h"
#include "controls/FileIcons.h"
#include "controls/LightProgress.h"
#include "controls/cVSplitter.h"
#include "frmProprietes.h"
#include "frmVersion.h"
#include "shell/frmVambrel.h"
#include "shell/mSettings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QWheelEvent>

namespace vambrel {

namespace {

constexpr int kNumIdRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;

// A file row sorted by the text of the chosen column, without regard to case.
class TextItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
};

QStringList startFoldersOf(const Database& db) {
    const auto source = db.property(Schema::kSource);
    if (!source.ok() || !source.value())
        return {};
    QStringList folders = SplitStartFolders(source.value()->value.toString());
    folders.removeAll(QString());
    return folders;
}

QString propertyText(const Database& db, const QString& name) {
    const auto p = db.property(name);
    if (!p.ok() || !p.value())
        return {};
    const QVariant& v = p.value()->value;
    if (p.value()->type == PropertyType::Date)
        return GeneralDateText(v.toDateTime());
    return v.toString();
}

class OverrideCursor {
public:
    OverrideCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
    OverrideCursor(const OverrideCursor&) = delete;
    OverrideCursor& operator=(const OverrideCursor&) = delete;
};

QTreeWidget* makeList(const QStringList& headers, int rightColumn, QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setColumnCount(int(headers.size()));
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
    list->headerItem()->setTextAlignment(rightColumn, Qt::AlignRight | Qt::AlignVCenter);
    list->header()->setSectionsClickable(true);
    list->header()->setSortIndicatorShown(false);
    list->setIconSize(QSize(16, 16));
    return list;
}

} // namespace

frmDirDat::frmDirDat(frmVambrel* main, QWidget* parent) : QWidget(parent), m_main(main) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(640, 420);

    m_treRep = new QTreeWidget(this);
    m_treRep->setHeaderHidden(true);
    m_treRep->setUniformRowHeights(true);
    m_treRep->setIconSize(QSize(16, 16));
    m_lstFich = makeList(
        {QStringLiteral("Nom"), QStringLiteral("Taille"), QStringLiteral("Type"), QStringLiteral("Modifié")},
        1, this);
    m_lstListing = makeList({QStringLiteral("Nom"), QStringLiteral("Chemin"), QStringLiteral("Taille"),
                             QStringLiteral("Type"), QStringLiteral("Modifié")},
                            2, this);
    m_lstListing->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_vScroll = new QScrollBar(Qt::Vertical, this);
    m_vScroll->setRange(1, 1);
    m_vScroll->setValue(1);
    m_frame1 = new QWidget(this);
    m_frame1->setGeometry(200, 0, 4, 100);
    m_qvtProgress = new LightProgress(this);
    m_qvtProgress->hide();
    m_staBar = new QStatusBar(this);
    m_staBar->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(m_staBar);
        m_staBar->addWidget(m_panels[i], i == 0 ? 2 : 1);
    }

    // imlStack: 1 drive, 4 closed folder, 5 open folder; file types are added after them.
    const QIcon drive =
        QIcon::fromTheme(QStringLiteral("drive-harddisk"), style()->standardIcon(QStyle::SP_DriveHDIcon));
    const QIcon closed = ShellIcon(u"", true);
    const QIcon open = QIcon::fromTheme(QStringLiteral("folder-open"), closed);
    m_imlStack.add(QStringLiteral("<drive>"), IconToPicture(drive));
    m_imlStack.add(QStringLiteral("<cdrom>"),
                   IconToPicture(QIcon::fromTheme(QStringLiteral("media-optical"), drive)));
    m_imlStack.add(QStringLiteral("<removable>"),
                   IconToPicture(QIcon::fromTheme(QStringLiteral("drive-removable-media"), drive)));
    m_imlStack.add(QStringLiteral("<closed>"), IconToPicture(closed));
    m_imlStack.add(QStringLiteral("<open>"), IconToPicture(open));

    m_treRep->hide();
    m_lstFich->hide();
    m_frame1->hide();
    m_lstListing->hide();
    m_vScroll->hide();

    m_splitter = new cVSplitter(this);
    m_splitter->setTop(0);
    m_splitter->setTrackSplit(true);
    m_splitter->SetControls(m_frame1, m_treRep, m_lstFich, this);

    connect(m_treRep, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { listFolder(current); });
    connect(m_lstFich->header(), &QHeaderView::sectionClicked, this, &frmDirDat::lstFichColumnClick);
    connect(m_lstListing->header(), &QHeaderView::sectionClicked, this, &frmDirDat::listingColumnClick);
    connect(m_vScroll, &QScrollBar::valueChanged, this, &frmDirDat::onScroll);
    connect(m_lstListing, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
                if (!m_filling)
                    m_pager.setSelected(current ? m_lstListing->indexOfTopLevelItem(current) : -1);
            });
    for (QTreeWidget* list : {m_lstFich, m_lstListing}) {
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }

    m_insExplore =
        SettingTextToBool(GetSetting(kAppName, kSectionStartUp, kKeyAffichage, QStringLiteral("0")));
    layoutControls();
}

frmDirDat::~frmDirDat() {
    ++m_listGeneration;
}

QLabel* frmDirDat::panel(int index) const {
    return index >= 1 && index <= 3 ? m_panels[index - 1] : nullptr;
}

void frmDirDat::message(const QString& text) {
    if (m_main)
        m_main->showMessage(QMessageBox::Critical, text);
}

// ---- opening ----

bool frmDirDat::OuvrirDat(const QString& path) {
    OverrideCursor hourglass;
    m_tag = path;
    setWindowTitle(FileNameOf(path));
    m_error.clear();

    if (!m_db.open(path, OpenMode::ReadOnly)) {
        m_error = m_db.lastError();
        return false;
    }
    const auto origin = m_db.property(Schema::kOrigine);
    if (!origin.ok() || !origin.value()) {
        m_error = origin.ok() ? QStringLiteral("Le catalogue n'a pas de propriété Origine.") : origin.error();
        m_db.close();
        return false;
    }
    m_origin = origin.value()->value.toString();
    m_panels[0]->setText(QStringLiteral("Origine: ") + m_origin);

    if (CatalogueConversion::needsConversion(m_db)) {
        // The conversion writes: a connection of its own, then this one sees the new properties.
        Database writable;
        bool converted = writable.open(path, OpenMode::ReadWrite);
        if (converted)
            converted = m_main ? m_main->ConvertCatalogue(writable)
                               : CatalogueConversion::convert(writable, Schema::formatVersion(), &m_error);
        else
            m_error = writable.lastError();
        writable.close();
        if (!converted) {
            m_db.close();
            return false;
        }
    }

    auto folders =
        Snapshot::open(m_db, QStringLiteral("SELECT * FROM Folders"), {}, {{QStringLiteral("Folders.Nom")}});
    if (!folders) {
        m_error = folders.error();
        m_db.close();
        return false;
    }
    m_folders = std::move(folders.value());

    bool ok;
    if (m_insExplore)
        ok = OuvrirDatExplore();
    else
        ok = OuvrirDatListing();
    if (ok)
        setInsExplore(m_insExplore);
    return ok;
}

void frmDirDat::setInsExplore(bool explore) {
    m_insExplore = explore;
    m_treRep->setVisible(explore);
    m_lstFich->setVisible(explore);
    m_frame1->setVisible(explore);
    m_lstListing->setVisible(!explore);
    m_vScroll->setVisible(!explore);
    layoutControls();
}

// ---- explorer view ----

bool frmDirDat::OuvrirDatExplore() {
    if (!m_db.isOpen() || !m_folders.isValid())
        return false;
    ++m_listGeneration;
    m_folderPending = false;
    m_treRep->clear();
    m_lstFich->clear();
    const qint64 count = m_folders.recordCount();
    if (count < 1 || count > INT_MAX) {
        m_error = QStringLiteral("Le catalogue ne contient aucun répertoire.");
        return false;
    }
    OverrideCursor hourglass;
    m_qvtProgress->setValue(m_qvtProgress->Min());
    m_qvtProgress->setMax(int(count));
    m_qvtProgress->show();
    m_qvtProgress->raise();
    m_qvtProgress->repaint();

    FolderTreeBuilder builder(m_origin, startFoldersOf(m_db));
    const int numField = m_folders.fieldIndex(u"Num");
    const int nomField = m_folders.fieldIndex(u"Nom");
    const int step = std::max<int>(1, int(count / 50));
    qint64 row = 0;
    for (bool more = m_folders.moveFirst(); more; more = m_folders.moveNext(), ++row) {
        builder.addFolder(m_folders.value(numField).toLongLong(), m_folders.text(nomField));
        if (row % step == 0) {
            m_qvtProgress->setValue(int(m_folders.absolutePosition() + 1));
            m_qvtProgress->repaint();
        }
    }

    // Items are made detached, then handed to the tree in one call.
    const auto& nodes = builder.nodes();
    const QIcon driveIcon = m_imlStack.icon(FolderTreeBuilder::DriveImage);
    QIcon folderIcon = m_imlStack.icon(FolderTreeBuilder::ClosedFolderImage);
    for (const QSize& size : m_imlStack.icon(FolderTreeBuilder::OpenFolderImage).availableSizes())
        folderIcon.addPixmap(m_imlStack.icon(FolderTreeBuilder::OpenFolderImage).pixmap(size),
                             QIcon::Selected);
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
    m_pager.reset(0);
    if (!topLevel.isEmpty()) {
        topLevel.first()->setExpanded(true);
        // Selecting the first node lists its files.
        m_treRep->setCurrentItem(topLevel.first());
    }
    return true;
}

void frmDirDat::listFolder(QTreeWidgetItem* node) {
    const quint64 generation = ++m_listGeneration;
    m_lstFich->clear();
    m_totalSize = 0;
    m_folderPending = false;
    m_folderFiles = Snapshot();
    if (!node || !m_db.isOpen())
        return;
    const qint64 num = FolderTreeBuilder::numberOfKey(node->data(0, kKeyRole).toString());
    OverrideCursor hourglass;
    auto files = Snapshot::open(m_db, QStringLiteral("SELECT * FROM Files WHERE Num = ?1"), {num},
                                {{QStringLiteral("Files.Nom")}});
    if (!files) {
        m_panels[1]->setText(QStringLiteral("0 fichier(s)"));
        m_panels[2]->setText(SizeText(0));
        return;
    }
    m_folderFiles = std::move(files.value());
    m_folderFiles.moveFirst();
    m_folderPending = true;
    fillFolderChunk(generation);
}

// Lists a chunk of the folder's files, then lets pending input through before the next one: a
// move in the tree meanwhile lists another folder and this listing stops where it is.
void frmDirDat::fillFolderChunk(quint64 generation) {
    if (generation != m_listGeneration || !m_folderPending)
        return;
    const int numId = m_folderFiles.fieldIndex(u"NumId");
    const int nom = m_folderFiles.fieldIndex(u"Nom");
    const int taille = m_folderFiles.fieldIndex(u"Taille");
    const int type = m_folderFiles.fieldIndex(u"Type");
    const int modifie = m_folderFiles.fieldIndex(u"Modifié");
    QList<QTreeWidgetItem*> rows;
    rows.reserve(kFolderChunk);
    for (int n = 0; n < kFolderChunk && m_folderFiles.hasCurrent(); ++n, m_folderFiles.moveNext()) {
        const QString name = m_folderFiles.text(nom);
        const QVariant size = m_folderFiles.value(taille);
        auto* item = new TextItem(QStringList{DisplayName(name), ListingSource::sizeText(size),
                                              m_folderFiles.text(type),
                                              ListingSource::dateText(m_folderFiles.value(modifie))});
        item->setData(0, kNumIdRole, m_folderFiles.value(numId));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setIcon(0, fileIcon(name));
        rows << item;
        m_totalSize += size.toDouble();
    }
    m_lstFich->addTopLevelItems(rows);
    if (m_fichSortColumn >= 0)
        m_lstFich->sortItems(m_fichSortColumn, m_fichSortOrder);
    m_panels[1]->setText(QString::number(m_lstFich->topLevelItemCount()) + QStringLiteral(" fichier(s)"));
    m_panels[2]->setText(SizeText(m_totalSize));
    if (!m_folderFiles.hasCurrent()) {
        m_folderPending = false;
        m_folderFiles.moveFirst();
        return;
    }
    QTimer::singleShot(0, this, [this, generation] { fillFolderChunk(generation); });
}

QIcon frmDirDat::fileIcon(const QString& nom) {
    const QString ext = GetExtension(nom).toUpper();
    int index = m_imlStack.indexOf(ext.isEmpty() ? nom : ext);
    if (index == 0)
        index = GetIconIndex(ShellIcon(nom), nom, m_imlStack);
    return m_imlStack.icon(index);
}

void frmDirDat::lstFichColumnClick(int column) {
    if (column == m_fichSortColumn)
        m_fichSortOrder = m_fichSortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    else
        m_fichSortColumn = column;
    m_lstFich->sortItems(m_fichSortColumn, m_fichSortOrder);
}

// ---- flat list ----

bool frmDirDat::OuvrirDatListing() {
    if (!m_db.isOpen())
        return false;
    OverrideCursor hourglass;
    ++m_listGeneration;
    m_folderPending = false;
    m_lstListing->clear();
    QString error;
    if (!m_listing.open(m_db, &error)) {
        m_error = error;
        return false;
    }
    m_totalSize = m_listing.totalSize();
    m_pager.reset(m_listing.rowCount());
    layoutControls();
    computePage();
    fillPage();
    m_vScroll->setValue(1);
    m_panels[1]->setText(QString::number(m_pager.rowCount()) + QStringLiteral(" fichier(s)"));
    m_panels[2]->setText(SizeText(m_totalSize));
    return true;
}

void frmDirDat::computePage() {
    int rowHeight = 0;
    if (m_lstListing->topLevelItemCount() == 0) {
        m_lstListing->addTopLevelItem(new QTreeWidgetItem(QStringList(QStringLiteral(" "))));
        rowHeight = m_lstListing->sizeHintForRow(0);
        m_lstListing->clear();
    } else {
        rowHeight = m_lstListing->sizeHintForRow(0);
    }
    if (rowHeight <= 0)
        rowHeight = fontMetrics().height() + 4;
    m_pager.setPageRows(ListingPager::pageRowsFor(m_lstListing->height(), rowHeight));
    const QSignalBlocker block(m_vScroll);
    m_vScroll->setRange(m_pager.scrollMinimum(), m_pager.scrollMaximum());
    m_vScroll->setPageStep(m_pager.largeChange());
    m_vScroll->setValue(int(m_pager.topRow()));
}

QTreeWidgetItem* frmDirDat::listingItem() const {
    const auto t = m_listing.currentTexts();
    auto* item = new QTreeWidgetItem(QStringList{t.name, t.path, t.size, t.type, t.modified});
    item->setData(0, kNumIdRole, t.numId);
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

void frmDirDat::addListingRow(bool atTop) {
    QTreeWidgetItem* item = listingItem();
    item->setIcon(0, fileIcon(m_listing.currentTexts().nom));
    if (atTop)
        m_lstListing->insertTopLevelItem(0, item);
    else
        m_lstListing->addTopLevelItem(item);
}

// Rows topRow .. topRow + shownRows() - 1; the rows rest on topRow afterwards.
void frmDirDat::fillPage() {
    m_filling = true;
    m_lstListing->clear();
    Snapshot& rs = m_listing.rows();
    const int shown = m_pager.shownRows();
    if (shown > 0 && rs.setAbsolutePosition(m_pager.topRow() - 1)) {
        for (int i = 0; i < shown && rs.hasCurrent(); ++i, rs.moveNext())
            addListingRow(false);
        rs.setAbsolutePosition(m_pager.topRow() - 1);
    }
    m_filling = false;
}

void frmDirDat::applyPagerAction(ListingPager::Action action) {
    Snapshot& rs = m_listing.rows();
    m_filling = true;
    switch (action) {
    case ListingPager::Action::None:
        break;
    case ListingPager::Action::RowInBelow:
        delete m_lstListing->takeTopLevelItem(0);
        rs.setAbsolutePosition(m_pager.topRow() + m_pager.shownRows() - 2);
        addListingRow(false);
        rs.setAbsolutePosition(m_pager.topRow() - 1);
        break;
    case ListingPager::Action::RowInAbove:
        if (m_lstListing->topLevelItemCount() >= m_pager.shownRows())
            delete m_lstListing->takeTopLevelItem(m_lstListing->topLevelItemCount() - 1);
        rs.setAbsolutePosition(m_pager.topRow() - 1);
        addListingRow(true);
        break;
    case ListingPager::Action::Refill:
        fillPage();
        break;
    }
    const int selected = m_pager.selected();
    if (QTreeWidgetItem* item = selected >= 0 ? m_lstListing->topLevelItem(selected) : nullptr)
        m_lstListing->setCurrentItem(item);
    else if (action == ListingPager::Action::Refill)
        m_lstListing->setCurrentItem(nullptr);
    m_filling = false;
    const QSignalBlocker block(m_vScroll);
    m_vScroll->setValue(int(m_pager.topRow()));
}

void frmDirDat::onScroll(int value) {
    if (m_insExplore || value == m_pager.topRow())
        return;
    applyPagerAction(m_pager.scrollTo(value));
}

void frmDirDat::setListingSelection(int row) {
    QTreeWidgetItem* item = m_lstListing->topLevelItem(row);
    m_lstListing->setCurrentItem(item);
    m_pager.setSelected(item ? row : -1);
}

void frmDirDat::listingKey(int key) {
    if (m_lstListing->topLevelItemCount() == 0)
        return;
    switch (key) {
    case Qt::Key_Down:
        applyPagerAction(m_pager.keyDown());
        break;
    case Qt::Key_Up:
        applyPagerAction(m_pager.keyUp());
        break;
    case Qt::Key_PageDown:
        applyPagerAction(m_pager.pageDown());
        break;
    case Qt::Key_PageUp:
        applyPagerAction(m_pager.pageUp());
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        runVersionCommand();
        break;
    default:
        break;
    }
}

void frmDirDat::listingColumnClick(int column) {
    if (m_lstListing->topLevelItemCount() == 0 || !m_listing.sortByColumn(column))
        return;
    OverrideCursor hourglass;
    m_pager.reset(m_listing.rowCount());
    fillPage();
    const QSignalBlocker block(m_vScroll);
    m_vScroll->setValue(1);
}

// ---- commands ----

void frmDirDat::runVersionCommand() {
    QTreeWidget* list = m_insExplore ? m_lstFich : m_lstListing;
    if (!list->currentItem() || !list->currentItem()->isSelected())
        return;
    if (m_main)
        m_main->mnuContext_Click(0);
    else
        ShowVersion();
}

bool frmDirDat::prepareVersion(frmVersion& window) {
    QTreeWidget* list = m_insExplore ? m_lstFich : m_lstListing;
    if (list->topLevelItemCount() == 0 || !m_db.isOpen())
        return false;
    window.setModePoste(false);
    window.setBaseDat(&m_db);
    window.setRecFichiers(m_insExplore ? m_folderFiles.clone() : m_listing.rows().clone());
    window.setListeFichiers(list);
    return true;
}

void frmDirDat::ShowVersion() {
    frmVersion window(m_main ? static_cast<QWidget*>(m_main) : this);
    if (prepareVersion(window))
        window.exec();
}

void frmDirDat::fillProperties(frmProprietes& dialog) {
    dialog.lblInfo(0)->setText(windowTitle());
    dialog.lblInfo(1)->setText(FolderOf(m_tag));
    dialog.lblInfo(2)->setText(propertyText(m_db, Schema::kDateCreation));
    dialog.lblInfo(3)->setText(propertyText(m_db, Schema::kSource));
    dialog.lblInfo(4)->setText(propertyText(m_db, Schema::kMasque));
    dialog.lblInfo(5)->setText(QString::number(m_folders.recordCount()));
    if (m_insExplore) {
        qint64 files = 0;
        double total = 0;
        auto sums = Snapshot::open(m_db, QStringLiteral("SELECT count(*), total(Taille) FROM Files"));
        if (sums && sums->moveFirst()) {
            files = sums->value(0).toLongLong();
            total = sums->value(1).toDouble();
        }
        dialog.lblInfo(6)->setText(QString::number(files));
        dialog.lblInfo(7)->setText(SizeText(total));
    } else {
        dialog.lblInfo(6)->setText(m_panels[1]->text().section(QLatin1Char(' '), 0, 0));
        dialog.lblInfo(7)->setText(m_panels[2]->text());
    }
    dialog.txtDescription()->setPlainText(propertyText(m_db, Schema::kDescription));
}

// Stores the description through a connection of its own: browsing stays read-only.
bool frmDirDat::applyProperties(const frmProprietes& dialog) {
    if (dialog.Tag() != QStringLiteral("Change"))
        return true;
    const QString text = dialog.txtDescription()->toPlainText();
    Database writable;
    bool ok = writable.open(m_tag, OpenMode::ReadWrite);
    if (ok) {
        const auto existing = writable.property(Schema::kDescription);
        ok = existing.ok() &&
             (existing.value() ? writable.setProperty(Schema::kDescription, text)
                               : writable.createProperty(Schema::kDescription, PropertyType::Memo, text));
    }
    if (!ok)
        m_error = writable.lastError();
    return ok;
}

void frmDirDat::ShowProperties() {
    if (!m_db.isOpen())
        return;
    frmProprietes dialog(m_main ? static_cast<QWidget*>(m_main) : this);
    fillProperties(dialog);
    dialog.exec();
    if (!applyProperties(dialog))
        message(QStringLiteral("Impossible d'enregistrer la description dans ") + m_tag);
}

void frmDirDat::PrintDat() {}

// ---- window ----

void frmDirDat::layoutControls() {
    const int statusHeight = m_staBar->sizeHint().height();
    const int w = width();
    const int h = height();
    m_staBar->setGeometry(0, h - statusHeight, w, statusHeight);
    m_qvtProgress->setGeometry(0, 0, w, m_qvtProgress->sizeHint().height());
    const int scrollWidth = m_vScroll->sizeHint().width();
    m_lstListing->setGeometry(0, 0, std::max(0, w - scrollWidth), std::max(0, h - statusHeight));
    m_vScroll->setGeometry(std::max(0, w - scrollWidth), 0, scrollWidth, std::max(0, h - statusHeight));
    m_splitter->setHeightOffset(statusHeight);
    m_splitter->layout();
}

void frmDirDat::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isMinimized() || (window() && window()->isMinimized()))
        return;
    layoutControls();
    if (!m_insExplore && m_listing.isOpen()) {
        computePage();
        if (m_pager.rowCount() >= 1)
            fillPage();
    }
}

void frmDirDat::closeEvent(QCloseEvent* event) {
    ++m_listGeneration;
    m_folderPending = false;
    m_db.close();
    QWidget::closeEvent(event);
}

bool frmDirDat::eventFilter(QObject* watched, QEvent* event) {
    const bool listing = watched == m_lstListing || watched == m_lstListing->viewport();
    const bool fich = watched == m_lstFich || watched == m_lstFich->viewport();
    if (!listing && !fich)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            runVersionCommand();
            return true;
        }
        if (!listing)
            break;
        const int shown = m_lstListing->topLevelItemCount();
        const int current =
            m_lstListing->currentItem() ? m_lstListing->indexOfTopLevelItem(m_lstListing->currentItem()) : -1;
        m_pager.setSelected(current);
        const bool atBottom = shown > 0 && current == shown - 1;
        const bool atTop = shown > 0 && current == 0;
        if (((key == Qt::Key_Down || key == Qt::Key_PageDown) && atBottom) ||
            ((key == Qt::Key_Up || key == Qt::Key_PageUp) && atTop)) {
            listingKey(key);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonDblClick:
        if (watched == m_lstFich->viewport() || watched == m_lstListing->viewport()) {
            runVersionCommand();
            return true;
        }
        break;
    case QEvent::Wheel:
        if (listing && watched == m_lstListing->viewport()) {
            const int steps = static_cast<QWheelEvent*>(event)->angleDelta().y() / 40;
            m_vScroll->setValue(m_vScroll->value() - steps);
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vambrel
