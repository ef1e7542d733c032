#include "qvtFichier.h"

#include "FileListModel.h"
#include "FileListTexts.h"
#include "controls/ControlInput.h"
#include "controls/FileIcons.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QStackedLayout>
#include <QStyle>
#include <QTimer>
#include <QTreeView>

namespace vambrel {

// A view of the control: its input becomes the control's events. A mouse press is reported after
// the view has handled it, so that the host sees the selection that the click made; a right press
// away from any item leaves the selection as it is.
template <class Base> class FichView : public Base {
public:
    explicit FichView(qvtFichier* owner) : Base(owner), m_owner(owner) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        Q_EMIT m_owner->KeyDown(KeyCodeOf(event->key()), ShiftStateOf(event->modifiers()));
        const QString text = event->text();
        if (!text.isEmpty() && text.at(0).unicode() < 256)
            Q_EMIT m_owner->KeyPress(text.at(0).unicode());
        Base::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        Q_EMIT m_owner->KeyUp(KeyCodeOf(event->key()), ShiftStateOf(event->modifiers()));
        Base::keyReleaseEvent(event);
    }
    void mousePressEvent(QMouseEvent* event) override {
        const QPoint p = event->position().toPoint();
        if (event->button() != Qt::RightButton || this->indexAt(p).isValid())
            Base::mousePressEvent(event);
        Q_EMIT m_owner->MouseDown(ButtonCodeOf(event->button()), ShiftStateOf(event->modifiers()), p.x(),
                                  p.y());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint p = event->position().toPoint();
        Q_EMIT m_owner->MouseMove(ButtonCodeOf(event->buttons()), ShiftStateOf(event->modifiers()), p.x(),
                                  p.y());
        Base::mouseMoveEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        const QPoint p = event->position().toPoint();
        Base::mouseReleaseEvent(event);
        Q_EMIT m_owner->MouseUp(ButtonCodeOf(event->button()), ShiftStateOf(event->modifiers()), p.x(),
                                p.y());
        if (const QModelIndex index = this->indexAt(p); index.isValid())
            Q_EMIT m_owner->ItemClick(index.row() + 1);
        Q_EMIT m_owner->Click();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        Base::mouseDoubleClickEvent(event);
        Q_EMIT m_owner->DblClick();
    }

private:
    qvtFichier* m_owner;
};

qvtFichier::qvtFichier(QWidget* parent)
    : QWidget(parent), m_model(new FileListModel(this)), m_stack(new QStackedLayout(this)),
      m_report(new FichView<QTreeView>(this)), m_iconView(new FichView<QListView>(this)), m_images(32) {
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_report->setObjectName(QStringLiteral("LisFich"));
    m_report->setModel(m_model);
    m_report->setRootIsDecorated(false);
    m_report->setUniformRowHeights(true);
    m_report->setItemsExpandable(false);
    m_report->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_report->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_report->header()->setSectionsClickable(true);
    m_report->header()->setSortIndicatorShown(false);
    m_report->header()->setStretchLastSection(true);
    m_report->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_iconView->setModel(m_model);
    m_iconView->setSelectionModel(m_report->selectionModel());
    m_iconView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_iconView->setUniformItemSizes(true);
    m_iconView->setResizeMode(QListView::Adjust);
    m_stack->addWidget(m_iconView);
    m_stack->addWidget(m_report);
    m_model->setIconSource([this](int image) { return m_images.icon(image); });
    m_model->setEditHandler([this](int, QString& newName) {
        bool cancel = false;
        Q_EMIT AfterEdit(cancel, newName);
        return !cancel;
    });
    connect(m_report->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { Q_EMIT ColumnClick(section + 1); });
    m_backColor = palette().color(QPalette::Base);
    m_foreColor = palette().color(QPalette::Text);
    QWidget::setEnabled(false);
    setView(LargeIcons);
    applyColumnWidths();
    applyFrame();
}

qvtFichier::~qvtFichier() = default;

// ---- forwarded properties ----

QColor qvtFichier::BackColor() const {
    return m_backColor;
}
void qvtFichier::setBackColor(const QColor& color) {
    m_backColor = color;
    applyColors();
    markChanged(QStringLiteral("BackColor"));
}
QColor qvtFichier::ForeColor() const {
    return m_foreColor;
}
void qvtFichier::setForeColor(const QColor& color) {
    m_foreColor = color;
    applyColors();
    markChanged(QStringLiteral("ForeColor"));
}
void qvtFichier::applyColors() {
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_report), static_cast<QAbstractItemView*>(m_iconView)}) {
        QPalette p = view->palette();
        if (!m_picture.isNull())
            p.setBrush(QPalette::Base, QBrush(m_picture));
        else
            p.setColor(QPalette::Base, m_backColor);
        p.setColor(QPalette::Text, m_foreColor);
        view->setPalette(p);
    }
}
void qvtFichier::setEnabled(bool enabled) {
    QWidget::setEnabled(enabled);
    markChanged(QStringLiteral("Enabled"));
}
void qvtFichier::setFont(const QFont& f) {
    QWidget::setFont(f);
    applyColumnWidths();
    markChanged(QStringLiteral("Font"));
}
void qvtFichier::setBorderStyle(int style) {
    m_borderStyle = style;
    applyFrame();
    markChanged(QStringLiteral("BorderStyle"));
}
void qvtFichier::Refresh() {
    LisFich()->viewport()->update();
}
void qvtFichier::setAllowColumnReorder(bool on) {
    m_allowColumnReorder = on;
    m_report->header()->setSectionsMovable(on);
    markChanged(QStringLiteral("AllowColumnReorder"));
}
void qvtFichier::setAppearance(int appearance) {
    m_appearance = appearance;
    applyFrame();
    markChanged(QStringLiteral("Appearance"));
}
void qvtFichier::applyFrame() {
    for (QFrame* view : {static_cast<QFrame*>(m_report), static_cast<QFrame*>(m_iconView)}) {
        view->setFrameShape(m_borderStyle ? QFrame::StyledPanel : QFrame::NoFrame);
        view->setFrameShadow(m_appearance ? QFrame::Sunken : QFrame::Plain);
    }
}
void qvtFichier::setArrange(int arrange) {
    m_arrange = arrange;
    markChanged(QStringLiteral("Arrange"));
}
void qvtFichier::setFullRowSelect(bool on) {
    m_fullRowSelect = on;
    m_report->setAllColumnsShowFocus(on);
    markChanged(QStringLiteral("FullRowSelect"));
}
void qvtFichier::setHideSelection(bool on) {
    m_hideSelection = on;
    markChanged(QStringLiteral("HideSelection"));
}
void qvtFichier::setHotTracking(bool on) {
    m_hotTracking = on;
    markChanged(QStringLiteral("HotTracking"));
}
void qvtFichier::setHoverSelection(bool on) {
    m_hoverSelection = on;
    markChanged(QStringLiteral("HoverSelection"));
}
void qvtFichier::setLabelWrap(bool on) {
    m_labelWrap = on;
    m_iconView->setWordWrap(on);
    markChanged(QStringLiteral("LabelWrap"));
}
void qvtFichier::setPictureAlignment(int alignment) {
    m_pictureAlignment = alignment;
    markChanged(QStringLiteral("PictureAlignment"));
}
void qvtFichier::setSorted(bool on) {
    m_sorted = on;
    applySorting();
    markChanged(QStringLiteral("Sorted"));
}
void qvtFichier::setSortOrder(int order) {
    m_sortOrder = order;
    applySorting();
    markChanged(QStringLiteral("SortOrder"));
}
void qvtFichier::setSortKey(int key) {
    m_sortKey = key;
    applySorting();
    markChanged(QStringLiteral("SortKey"));
}
void qvtFichier::applySorting() {
    if (!m_sorted)
        return;
    m_model->sortRows(m_sortKey, m_sortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    // The keys serve the chunks of a listing under way; otherwise they only cost memory.
    if (!listing())
        m_model->dropSortKeys();
}
void qvtFichier::setTextBackground(int value) {
    m_textBackground = value;
    markChanged(QStringLiteral("TextBackground"));
}
void qvtFichier::setToolTipText(const QString& text) {
    setToolTip(text);
    markChanged(QStringLiteral("ToolTipText"));
}
void qvtFichier::setMultiSelect(bool on) {
    m_multiSelect = on;
    const auto mode = on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection;
    m_report->setSelectionMode(mode);
    m_iconView->setSelectionMode(mode);
    markChanged(QStringLiteral("MultiSelect"));
}
void qvtFichier::setHideColumnHeaders(bool on) {
    m_hideColumnHeaders = on;
    m_report->setHeaderHidden(on);
    markChanged(QStringLiteral("HideColumnHeaders"));
}
void qvtFichier::setPicture(const QPixmap& picture) {
    m_picture = picture;
    applyColors();
    markChanged(QStringLiteral("Picture"));
}
void qvtFichier::setOLEDropMode(int mode) {
    m_oleDropMode = mode;
    markChanged(QStringLiteral("OLEDropMode"));
}
void qvtFichier::setOLEDragMode(int mode) {
    m_oleDragMode = mode;
    markChanged(QStringLiteral("OLEDragMode"));
}

void qvtFichier::setView(int view) {
    if (view < LargeIcons || view > Report)
        return;
    const bool resize = (m_view == LargeIcons) != (view == LargeIcons);
    m_view = view;
    if (view == Report) {
        m_stack->setCurrentWidget(m_report);
    } else {
        m_iconView->setViewMode(view == LargeIcons ? QListView::IconMode : QListView::ListMode);
        m_iconView->setFlow(view == ListView ? QListView::TopToBottom : QListView::LeftToRight);
        m_iconView->setWrapping(true);
        m_iconView->setMovement(QListView::Static);
        m_stack->setCurrentWidget(m_iconView);
    }
    const int size = view == LargeIcons ? 32 : 16;
    m_report->setIconSize(QSize(16, 16));
    m_iconView->setIconSize(QSize(size, size));
    if (resize || m_images.imageSize() != size) {
        // The cache holds images of one size only.
        m_images = ImageList(size);
        m_pictures.clear();
        if (!m_path.isEmpty())
            GetFiles(m_path);
    }
    markChanged(QStringLiteral("View"));
}

// ---- own properties ----

void qvtFichier::setFilter(const QString& filter) {
    m_filter = filter;
    markChanged(QStringLiteral("Filter"));
}

void qvtFichier::setShowFolders(bool on) {
    m_showFolders = on;
    if (!m_path.isEmpty())
        GetFiles(m_path);
    markChanged(QStringLiteral("ShowFolders"));
}

void qvtFichier::setParentTree(const QString& name) {
    m_parentTree = name;
    markChanged(QStringLiteral("ParentTree"));
}

void qvtFichier::setColumnWidth(int column, int twips) {
    m_widths[column] = twips;
    applyColumnWidths();
    static const char* const names[4] = {"ColNameWidth", "ColSizeWidth", "ColTypeWidth", "ColDateWidth"};
    markChanged(QLatin1String(names[column]));
}

void qvtFichier::applyColumnWidths() {
    // Twips at 15 to the pixel; sizes and dates are never narrower than their texts.
    const QFontMetrics metrics = m_report->fontMetrics();
    const int margin = 2 * m_report->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 12;
    const int least[4] = {0, metrics.horizontalAdvance(QStringLiteral("99 999 Ko")) + margin, 0,
                          metrics.horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + margin};
    for (int c = 0; c < 4; ++c)
        m_report->setColumnWidth(c, std::max(m_widths[c] / 15, least[c]));
}

void qvtFichier::setPath(const QString& folder) {
    GetFiles(folder);
    markChanged(QStringLiteral("Path"));
}

// ---- listing ----

void qvtFichier::GetFiles(const QString& folder) {
    ++m_generation;
    m_lister.reset();
    m_model->clearRows();
    m_filesSize = 0;
    m_cutShort = false;
    m_path = folder;
    auto lister = std::make_unique<DirectoryLister>();
    lister->setSkipDotNames(true);
    if (!lister->open(folder, m_filter)) {
        endListing();
        return;
    }
    m_lister = std::move(lister);
    if (!m_hourglass)
        m_hourglass.emplace();
    watchParentTree();
    fillChunk(m_generation, true);
}

void qvtFichier::fillChunk(quint64 generation, bool first) {
    if (generation != m_generation || !m_lister)
        return;
    QElapsedTimer clock;
    clock.start();
    std::vector<FileListModel::Row> rows;
    rows.reserve(size_t(std::min(m_chunkRows, 4096)));
    DirEntry entry;
    bool atEnd = false;
    for (int n = 0; n < m_chunkRows && clock.elapsed() < kChunkMilliseconds;) {
        if (!m_lister->next(entry)) {
            atEnd = true;
            break;
        }
        if (!m_showFolders && entry.isDirectory)
            continue;
        FileListModel::Row row;
        row.name = entry.name;
        row.type = m_types.typeOf(entry.name);
        row.size = entry.size;
        row.mtimeSeconds = entry.mtimeSeconds;
        row.mtimeNanoseconds = entry.mtimeNanoseconds;
        row.isFolder = entry.isDirectory;
        row.image = imageFor(entry.name, entry.isDirectory);
        m_filesSize += entry.size;
        rows.push_back(std::move(row));
        ++n;
    }
    // A sorted list takes each chunk in its place.
    if (m_sorted)
        m_model->appendSorted(rows, m_sortKey, m_sortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    else
        m_model->appendRows(rows);
    // A folder listed in one go is done at once; after a long listing the sorting waits for the
    // next turn of the event loop, so that the window is painted between the two.
    if (atEnd && first) {
        endListing();
        return;
    }
    Q_EMIT Listed(ListItemsCount(), m_filesSize, false);
    if (atEnd) {
        QTimer::singleShot(0, this, [this, generation] {
            if (generation == m_generation && m_lister)
                endListing();
        });
        return;
    }
    QTimer::singleShot(0, this, [this, generation] { fillChunk(generation, false); });
}

void qvtFichier::endListing() {
    m_lister.reset();
    for (const QPointer<QWidget>& watched : std::as_const(m_watched))
        if (watched)
            watched->removeEventFilter(this);
    m_watched.clear();
    if (m_sorted &&
        !m_model->sortedBy(m_sortKey, m_sortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder))
        applySorting();
    m_model->dropSortKeys();
    if (m_model->rowCount() > 0)
        setSelectedItem(1);
    m_hourglass.reset();
    Q_EMIT Listed(ListItemsCount(), m_filesSize, true);
}

void qvtFichier::watchParentTree() {
    if (m_parentTree.isEmpty() || !m_watched.isEmpty())
        return;
    QWidget* tree = window()->findChild<QWidget*>(m_parentTree);
    if (!tree)
        return;
    m_watched << tree;
    for (QWidget* inner : tree->findChildren<QWidget*>())
        m_watched << inner;
    for (const QPointer<QWidget>& watched : std::as_const(m_watched))
        watched->installEventFilter(this);
}

bool qvtFichier::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && listing()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            // The tree moves on: what is listed so far stays.
            m_cutShort = true;
            ++m_generation;
            endListing();
        }
    }
    return QWidget::eventFilter(watched, event);
}

int qvtFichier::imageFor(const QString& name, bool isFolder) {
    const QString key = FileListTexts::ImageKey(m_path, name, isFolder);
    if (const int index = m_images.indexOf(key))
        return index;
    return m_images.add(key, shellPicture(name));
}

// The shell describes every entry by its name only, as a plain file: one picture per MIME type.
QPixmap qvtFichier::shellPicture(const QString& name) {
    const QString type = m_mime.mimeTypeForFile(name, QMimeDatabase::MatchExtension).name();
    auto it = m_pictures.constFind(type);
    if (it != m_pictures.constEnd())
        return it.value();
    const QPixmap picture = IconToPicture(ShellIcon(name), m_images.imageSize());
    m_pictures.insert(type, picture);
    return picture;
}

// ---- items ----

QModelIndex qvtFichier::indexOf(int index) const {
    return index >= 1 && index <= m_model->rowCount() ? m_model->index(index - 1, 0) : QModelIndex();
}

QAbstractItemView* qvtFichier::LisFich() const {
    return m_view == Report ? static_cast<QAbstractItemView*>(m_report) : m_iconView;
}

int qvtFichier::ListItemsCount() const {
    return m_model->rowCount();
}

QString qvtFichier::ItemText(int index) const {
    return index >= 1 && index <= ListItemsCount() ? m_model->text(index - 1, 0) : QString();
}

QString qvtFichier::ItemName(int index) const {
    return index >= 1 && index <= ListItemsCount() ? m_model->row(index - 1).name : QString();
}

QString qvtFichier::ItemSubText(int index, int column) const {
    return index >= 1 && index <= ListItemsCount() && column >= 1 && column <= 4
               ? m_model->text(index - 1, column - 1)
               : QString();
}

bool qvtFichier::ItemSelected(int index) const {
    const QModelIndex i = indexOf(index);
    return i.isValid() && m_report->selectionModel()->isRowSelected(i.row(), {});
}

void qvtFichier::setItemSelected(int index, bool selected) {
    const QModelIndex i = indexOf(index);
    if (i.isValid())
        m_report->selectionModel()->select(
            i, (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                   QItemSelectionModel::Rows);
}

QIcon qvtFichier::ItemSmallIcon(int index) const {
    return index >= 1 && index <= ListItemsCount() ? m_images.icon(m_model->row(index - 1).image) : QIcon();
}

int qvtFichier::SelectedItem() const {
    QItemSelectionModel* selection = m_report->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), {}))
        return current.row() + 1;
    const QModelIndexList rows = selection->selectedRows();
    int first = 0;
    for (const QModelIndex& row : rows)
        if (first == 0 || row.row() + 1 < first)
            first = row.row() + 1;
    return first;
}

void qvtFichier::setSelectedItem(int index) {
    const QModelIndex i = indexOf(index);
    if (!i.isValid())
        return;
    QItemSelectionModel* selection = m_report->selectionModel();
    const auto how = selection->isRowSelected(i.row(), {})
                         ? QItemSelectionModel::NoUpdate
                         : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    selection->setCurrentIndex(i, how);
}

QStringList qvtFichier::SelectedNames() const {
    QStringList names;
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (m_report->selectionModel()->isRowSelected(row, {}))
            names << m_model->row(row).name;
    return names;
}

int qvtFichier::HitTest(int x, int y) const {
    const QModelIndex index = LisFich()->indexAt(QPoint(x, y));
    return index.isValid() ? index.row() + 1 : 0;
}

int qvtFichier::FindItem(const QString& text) const {
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (m_model->text(row, 0) == text)
            return row + 1;
    return 0;
}

int qvtFichier::GetFirstVisible() const {
    const QModelIndex index = LisFich()->indexAt(QPoint(1, 1));
    return index.isValid() ? index.row() + 1 : 0;
}

void qvtFichier::StartEdit() {
    const QModelIndex i = indexOf(SelectedItem());
    if (i.isValid())
        LisFich()->edit(i);
}

// ---- persistence ----

void qvtFichier::InitProperties() {
    m_filter = QStringLiteral("*.*");
    for (int c = 0; c < 4; ++c)
        m_widths[c] = kDesignWidths[c];
    applyColumnWidths();
    m_showFolders = false;
    m_parentTree.clear();
}

void qvtFichier::ReadProperties(const PropertyBag& bag) {
    const QPalette system = QApplication::palette();
    auto read = [&bag](const char* name, const QVariant& fallback) {
        return bag.readProperty(QLatin1String(name), fallback);
    };
    m_backColor = read("BackColor", system.color(QPalette::Base)).value<QColor>();
    m_foreColor = read("ForeColor", system.color(QPalette::Text)).value<QColor>();
    QWidget::setEnabled(read("Enabled", false).toBool());
    QWidget::setFont(
        read("Font", parentWidget() ? parentWidget()->font() : QApplication::font()).value<QFont>());
    m_borderStyle = read("BorderStyle", 1).toInt();
    m_allowColumnReorder = read("AllowColumnReorder", false).toBool();
    m_report->header()->setSectionsMovable(m_allowColumnReorder);
    m_appearance = read("Appearance", 1).toInt();
    applyFrame();
    m_arrange = read("Arrange", 0).toInt();
    m_fullRowSelect = read("FullRowSelect", false).toBool();
    m_report->setAllColumnsShowFocus(m_fullRowSelect);
    m_hideSelection = read("HideSelection", false).toBool();
    m_hotTracking = read("HotTracking", false).toBool();
    m_hoverSelection = read("HoverSelection", false).toBool();
    m_labelWrap = read("LabelWrap", false).toBool();
    m_iconView->setWordWrap(m_labelWrap);
    m_pictureAlignment = read("PictureAlignment", 0).toInt();
    m_sorted = read("Sorted", false).toBool();
    m_sortOrder = read("SortOrder", 0).toInt();
    m_textBackground = read("TextBackground", 0).toInt();
    setToolTip(read("ToolTipText", QString()).toString());
    const int view = read("View", 0).toInt();
    m_filter = read("Filter", QStringLiteral("*.*")).toString();
    m_multiSelect = read("MultiSelect", false).toBool();
    const auto mode =
        m_multiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection;
    m_report->setSelectionMode(mode);
    m_iconView->setSelectionMode(mode);
    m_hideColumnHeaders = read("HideColumnHeaders", false).toBool();
    m_report->setHeaderHidden(m_hideColumnHeaders);
    m_picture = read("Picture", QPixmap()).value<QPixmap>();
    applyColors();
    m_sortKey = read("SortKey", 0).toInt();
    static const char* const widths[4] = {"ColNameWidth", "ColSizeWidth", "ColTypeWidth", "ColDateWidth"};
    for (int c = 0; c < 4; ++c)
        m_widths[c] = read(widths[c], m_widths[c]).toInt();
    applyColumnWidths();
    // Reading the properties does not list the folder.
    m_path = read("Path", QString()).toString();
    m_oleDropMode = read("OLEDropMode", 0).toInt();
    m_oleDragMode = read("OLEDragMode", 0).toInt();
    m_showFolders = read("ShowFolders", false).toBool();
    m_parentTree = read("ParentTree", QString()).toString();
    const QString path = m_path;
    m_path.clear(); // the view is applied without listing
    setView(view);
    m_path = path;
}

void qvtFichier::WriteProperties(PropertyBag& bag) const {
    auto write = [&bag](const char* name, const QVariant& value) {
        bag.writeProperty(QLatin1String(name), value);
    };
    write("BackColor", m_backColor);
    write("ForeColor", m_foreColor);
    write("Enabled", isEnabled());
    write("Font", font());
    write("BorderStyle", m_borderStyle);
    write("AllowColumnReorder", m_allowColumnReorder);
    write("Appearance", m_appearance);
    write("Arrange", m_arrange);
    write("FullRowSelect", m_fullRowSelect);
    write("HideSelection", m_hideSelection);
    write("HotTracking", m_hotTracking);
    write("HoverSelection", m_hoverSelection);
    write("LabelWrap", m_labelWrap);
    write("PictureAlignment", m_pictureAlignment);
    write("Sorted", m_sorted);
    write("SortOrder", m_sortOrder);
    write("TextBackground", m_textBackground);
    write("ToolTipText", toolTip());
    write("View", m_view);
    write("Filter", m_filter);
    write("MultiSelect", m_multiSelect);
    write("HideColumnHeaders", m_hideColumnHeaders);
    write("Picture", m_picture);
    write("SortKey", m_sortKey);
    write("ColNameWidth", m_widths[0]);
    write("ColSizeWidth", m_widths[1]);
    write("ColTypeWidth", m_widths[2]);
    write("ColDateWidth", m_widths[3]);
    write("Path", m_path);
    write("OLEDropMode", m_oleDropMode);
    write("OLEDragMode", m_oleDragMode);
    write("ShowFolders", m_showFolders);
    write("ParentTree", m_parentTree);
}

} // namespace vambrel
