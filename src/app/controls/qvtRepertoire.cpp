#include "qvtRepertoire.h"

#include "ControlError.h"
#include "ControlInput.h"
#include "Drives.h"
#include "FileIcons.h"
#include "FolderTreePaths.h"
#include "NativeName.h"
#include "PathSyntax.h"
#include "TextHelpers.h"

#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace vambrel {

namespace {

const QString kClassName = QStringLiteral("qvtRepertoire");
const QString kOpenSuffix = QStringLiteral("&&Open");

qvtRepertoire::DriveSource& driveSource() {
    static qvtRepertoire::DriveSource source;
    return source;
}

int imageOfDrive(DriveType type) {
    switch (type) {
    case DriveType::CdRom:
        return qvtRepertoire::CdRomImage;
    case DriveType::Removable:
        return qvtRepertoire::RemovableDriveImage;
    default:
        return qvtRepertoire::FixedDriveImage;
    }
}

QString folderTypeName() {
    static const QString name = [] {
        QString comment = QMimeDatabase().mimeTypeForName(QStringLiteral("inode/directory")).comment();
        if (comment.isEmpty())
            return QStringLiteral("Dossier");
        comment[0] = comment.at(0).toUpper();
        return comment;
    }();
    return name;
}

QIcon themeFolderIcon(bool open) {
    QIcon fallback;
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        fallback = app->style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon);
    return QIcon::fromTheme(open ? QStringLiteral("folder-open") : QStringLiteral("folder"), fallback);
}

// A picture for the image list; never null, so that the design-time indexes stay where they are.
QPixmap designPicture(const char* theme, QStyle::StandardPixmap standard) {
    QIcon fallback;
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        fallback = app->style()->standardIcon(standard);
    QPixmap picture = IconToPicture(QIcon::fromTheme(QString::fromLatin1(theme), fallback));
    if (picture.isNull()) {
        picture = QPixmap(16, 16);
        picture.fill(Qt::transparent);
    }
    return picture;
}

// Sets a widget's pointer for a while and puts the previous one back.
class PointerGuard {
public:
    PointerGuard(QWidget* widget, Qt::CursorShape shape)
        : m_widget(widget), m_had(widget->testAttribute(Qt::WA_SetCursor)), m_previous(widget->cursor()) {
        m_widget->setCursor(shape);
    }
    ~PointerGuard() {
        if (m_had)
            m_widget->setCursor(m_previous);
        else
            m_widget->unsetCursor();
    }
    PointerGuard(const PointerGuard&) = delete;
    PointerGuard& operator=(const PointerGuard&) = delete;

private:
    QWidget* m_widget;
    bool m_had;
    QCursor m_previous;
};

int kindOf(const QTreeWidgetItem* node) {
    return node ? node->data(0, qvtRepertoire::KindRole).toInt() : 0;
}

} // namespace

// The tree view of the control: its input becomes the control's events.
class RepTree : public QTreeWidget {
public:
    explicit RepTree(qvtRepertoire* owner) : QTreeWidget(owner), m_owner(owner) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        Q_EMIT m_owner->KeyDown(KeyCodeOf(event->key()), ShiftStateOf(event->modifiers()));
        const QString text = event->text();
        if (!text.isEmpty() && text.at(0).unicode() < 256)
            Q_EMIT m_owner->KeyPress(text.at(0).unicode());
        QTreeWidgetItem* before = currentItem();
        QTreeWidget::keyPressEvent(event);
        // Moving with the keys is choosing a folder, as a click is.
        if (currentItem() && currentItem() != before && !m_owner->m_quiet)
            m_owner->nodeClicked(currentItem());
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        Q_EMIT m_owner->KeyUp(KeyCodeOf(event->key()), ShiftStateOf(event->modifiers()));
        QTreeWidget::keyReleaseEvent(event);
    }
    void mousePressEvent(QMouseEvent* event) override {
        const QPoint p = event->position().toPoint();
        Q_EMIT m_owner->MouseDown(ButtonCodeOf(event->button()), ShiftStateOf(event->modifiers()), p.x(),
                                  p.y());
        QTreeWidget::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint p = event->position().toPoint();
        Q_EMIT m_owner->MouseMove(ButtonCodeOf(event->buttons()), ShiftStateOf(event->modifiers()), p.x(),
                                  p.y());
        QTreeWidget::mouseMoveEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        const QPoint p = event->position().toPoint();
        Q_EMIT m_owner->MouseUp(ButtonCodeOf(event->button()), ShiftStateOf(event->modifiers()), p.x(),
                                p.y());
        QTreeWidget::mouseReleaseEvent(event);
        Q_EMIT m_owner->Click();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QTreeWidget::mouseDoubleClickEvent(event);
        Q_EMIT m_owner->DblClick();
    }
    void startDrag(Qt::DropActions) override { m_owner->OLEDrag(); }
    void dragEnterEvent(QDragEnterEvent* event) override { dragOver(event, 0); }
    void dragMoveEvent(QDragMoveEvent* event) override { dragOver(event, 2); }
    void dragLeaveEvent(QDragLeaveEvent* event) override {
        int effect = 0;
        Q_EMIT m_owner->OLEDragOver(nullptr, effect, 0, 0, 0, 0, 1);
        event->accept();
    }
    void dropEvent(QDropEvent* event) override {
        const QPoint p = event->position().toPoint();
        int effect = effectOf(event->proposedAction());
        Q_EMIT m_owner->OLEDragDrop(event->mimeData(), effect, ButtonCodeOf(event->buttons()),
                                    ShiftStateOf(event->modifiers()), p.x(), p.y());
        acceptWith(event, effect);
    }

private:
    static int effectOf(Qt::DropAction action) {
        return action == Qt::CopyAction ? 1 : action == Qt::MoveAction ? 2 : 0;
    }
    static void acceptWith(QDropEvent* event, int effect) {
        if (effect & 2) {
            event->setDropAction(Qt::MoveAction);
            event->accept();
        } else if (effect & 1) {
            event->setDropAction(Qt::CopyAction);
            event->accept();
        } else {
            event->ignore();
        }
    }
    void dragOver(QDropEvent* event, int state) {
        const QPoint p = event->position().toPoint();
        int effect = effectOf(event->proposedAction());
        Q_EMIT m_owner->OLEDragOver(event->mimeData(), effect, ButtonCodeOf(event->buttons()),
                                    ShiftStateOf(event->modifiers()), p.x(), p.y(), state);
        acceptWith(event, effect);
    }

    qvtRepertoire* m_owner;
};

// Hands the end of an in-place edit to the control, which asks its host.
class RepEditDelegate : public QStyledItemDelegate {
public:
    RepEditDelegate(qvtRepertoire* owner, QTreeWidget* tree)
        : QStyledItemDelegate(tree), m_owner(owner), m_tree(tree) {}

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        QTreeWidgetItem* node = m_tree->itemFromIndex(index);
        if (line && node)
            m_owner->editFinished(node, line->text());
    }

private:
    qvtRepertoire* m_owner;
    QTreeWidget* m_tree;
};

void qvtRepertoire::setDriveSource(DriveSource source) {
    driveSource() = std::move(source);
}

QList<Drive> qvtRepertoire::Drives() {
    return driveSource() ? driveSource()() : ListDrives();
}

QString qvtRepertoire::DefaultDrive() {
    const QList<Drive> drives = Drives();
    return drives.isEmpty() ? QString(kPathSeparator) : drives.first().root;
}

qvtRepertoire::qvtRepertoire(QWidget* parent) : QWidget(parent), m_tree(new RepTree(this)), m_images(16) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    m_tree->setObjectName(QStringLiteral("treRep"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setUniformRowHeights(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setItemDelegate(new RepEditDelegate(this, m_tree));
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    m_images.add(QStringLiteral("<lecteur fixe>"), designPicture("drive-harddisk", QStyle::SP_DriveHDIcon));
    m_images.add(QStringLiteral("<lecteur amovible>"),
                 designPicture("drive-removable-media", QStyle::SP_DriveFDIcon));
    m_images.add(QStringLiteral("<lecteur cd-rom>"), designPicture("media-optical", QStyle::SP_DriveCDIcon));
    m_images.add(QStringLiteral("<dossier fermé>"), designPicture("folder", QStyle::SP_DirClosedIcon));
    m_images.add(QStringLiteral("<dossier ouvert>"), designPicture("folder-open", QStyle::SP_DirOpenIcon));

    m_typeSource = [](const QString&) { return folderTypeName(); };
    m_iconSource = [](const QString&, bool open) { return themeFolderIcon(open); };

    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) { nodeClicked(node); });
    connect(m_tree, &QTreeWidget::itemExpanded, this, &qvtRepertoire::nodeExpanded);
    connect(m_tree, &QTreeWidget::itemCollapsed, this, &qvtRepertoire::nodeCollapsed);
    connect(m_tree->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] {
        if (QTreeWidgetItem* node = m_tree->currentItem())
            node->setFlags(node->flags() & ~Qt::ItemIsEditable);
    });
    applyFrame();
}

qvtRepertoire::~qvtRepertoire() = default;

QTreeWidget* qvtRepertoire::treRep() const {
    return m_tree;
}

QTreeWidget* qvtRepertoire::Nodes() const {
    return m_tree;
}

// ---- design properties ----

QFont qvtRepertoire::Font() const {
    return m_tree->font();
}

void qvtRepertoire::setFont(const QFont& font) {
    m_tree->setFont(font);
    markChanged(QStringLiteral("Font"));
}

void qvtRepertoire::setBorderStyle(int style) {
    if (style < 0 || style > 1)
        throw ControlError::invalidPropertyValue(kClassName);
    m_borderStyle = style;
    applyFrame();
    markChanged(QStringLiteral("BorderStyle"));
}

void qvtRepertoire::setAppearance(int appearance) {
    if (appearance < 0 || appearance > 1)
        throw ControlError::invalidPropertyValue(kClassName);
    m_appearance = appearance;
    applyFrame();
    markChanged(QStringLiteral("Appearance"));
}

void qvtRepertoire::applyFrame() {
    m_tree->setFrameShape(m_borderStyle == 0 ? QFrame::NoFrame : QFrame::StyledPanel);
    m_tree->setFrameShadow(m_appearance == 0 ? QFrame::Plain : QFrame::Sunken);
}

QString qvtRepertoire::ToolTipText() const {
    return m_tree->toolTip();
}

void qvtRepertoire::setToolTipText(const QString& text) {
    m_tree->setToolTip(text);
    markChanged(QStringLiteral("ToolTipText"));
}

void qvtRepertoire::setHideSelection(bool hide) {
    m_hideSelection = hide;
    applyHideSelection();
    markChanged(QStringLiteral("HideSelection"));
}

void qvtRepertoire::applyHideSelection() {
    QPalette palette = m_tree->palette();
    const QPalette standard = QApplication::palette(m_tree);
    if (m_hideSelection) {
        // Without the focus the selected node looks like any other.
        palette.setColor(QPalette::Inactive, QPalette::Highlight,
                         standard.color(QPalette::Inactive, QPalette::Base));
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         standard.color(QPalette::Inactive, QPalette::Text));
    } else {
        palette.setColor(QPalette::Inactive, QPalette::Highlight,
                         standard.color(QPalette::Inactive, QPalette::Highlight));
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         standard.color(QPalette::Inactive, QPalette::HighlightedText));
    }
    m_tree->setPalette(palette);
}

void qvtRepertoire::setHotTracking(bool on) {
    m_hotTracking = on;
    m_tree->viewport()->setAttribute(Qt::WA_Hover, on);
    m_tree->setMouseTracking(on);
    markChanged(QStringLiteral("HotTracking"));
}

void qvtRepertoire::setOLEDropMode(int mode) {
    if (mode < 0 || mode > 1)
        throw ControlError::invalidPropertyValue(kClassName);
    m_oleDropMode = mode;
    m_tree->setAcceptDrops(mode == 1);
    m_tree->viewport()->setAcceptDrops(mode == 1);
    markChanged(QStringLiteral("OLEDropMode"));
}

void qvtRepertoire::setOLEDragMode(int mode) {
    if (mode < 0 || mode > 1)
        throw ControlError::invalidPropertyValue(kClassName);
    m_oleDragMode = mode;
    m_tree->setDragEnabled(mode == 1);
    markChanged(QStringLiteral("OLEDragMode"));
}

bool qvtRepertoire::Enabled() const {
    return m_tree->isEnabled();
}

void qvtRepertoire::setEnabled(bool enabled) {
    m_tree->setEnabled(enabled);
    markChanged(QStringLiteral("Enabled"));
}

void qvtRepertoire::ReadProperties(const PropertyBag& bag) {
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    const QVariant font = bag.readProperty(QStringLiteral("Font"), ambient);
    m_tree->setFont(font.canConvert<QFont>() ? font.value<QFont>() : ambient);
    auto readInt = [&](const char* name, int fallback, int hi) {
        bool ok = false;
        const int v = bag.readProperty(QString::fromLatin1(name), fallback).toInt(&ok);
        return ok && v >= 0 && v <= hi ? v : fallback;
    };
    m_borderStyle = readInt("BorderStyle", 0, 1);
    m_appearance = readInt("Appearance", 1, 1);
    applyFrame();
    m_tree->setToolTip(bag.readProperty(QStringLiteral("ToolTipText"), QString()).toString());
    m_hideSelection = bag.readProperty(QStringLiteral("HideSelection"), false).toBool();
    applyHideSelection();
    m_hotTracking = bag.readProperty(QStringLiteral("HotTracking"), false).toBool();
    m_tree->viewport()->setAttribute(Qt::WA_Hover, m_hotTracking);
    m_tree->setMouseTracking(m_hotTracking);
    m_oleDropMode = readInt("OLEDropMode", 0, 1);
    m_tree->setAcceptDrops(m_oleDropMode == 1);
    m_tree->viewport()->setAcceptDrops(m_oleDropMode == 1);
    m_oleDragMode = readInt("OLEDragMode", 0, 1);
    m_tree->setDragEnabled(m_oleDragMode == 1);
    m_tree->setEnabled(bag.readProperty(QStringLiteral("Enabled"), false).toBool());
}

void qvtRepertoire::WriteProperties(PropertyBag& bag) const {
    bag.writeProperty(QStringLiteral("Font"), m_tree->font());
    bag.writeProperty(QStringLiteral("BorderStyle"), m_borderStyle);
    bag.writeProperty(QStringLiteral("Appearance"), m_appearance);
    bag.writeProperty(QStringLiteral("ToolTipText"), m_tree->toolTip());
    bag.writeProperty(QStringLiteral("HideSelection"), m_hideSelection);
    bag.writeProperty(QStringLiteral("HotTracking"), m_hotTracking);
    bag.writeProperty(QStringLiteral("OLEDropMode"), m_oleDropMode);
    bag.writeProperty(QStringLiteral("OLEDragMode"), m_oleDragMode);
    bag.writeProperty(QStringLiteral("Enabled"), m_tree->isEnabled());
}

// ---- members ----

void qvtRepertoire::Refresh() {
    m_tree->viewport()->update();
    m_tree->update();
}

void qvtRepertoire::setPath(const QString& path) {
    Q_UNUSED(path);
    throw m_designMode ? ControlError::setNotPermitted(kClassName)
                       : ControlError::setNotSupportedAtRuntime(kClassName);
}

void qvtRepertoire::setDropHighLight(QTreeWidgetItem* node) {
    if (m_dropHighLight)
        m_dropHighLight->setData(0, Qt::BackgroundRole, QVariant());
    m_dropHighLight = node;
    if (node)
        node->setData(0, Qt::BackgroundRole, m_tree->palette().brush(QPalette::Highlight));
}

QTreeWidgetItem* qvtRepertoire::HitTest(int x, int y) const {
    return m_tree->itemAt(x, y);
}

QTreeWidgetItem* qvtRepertoire::SelectedItem() const {
    return m_tree->currentItem();
}

void qvtRepertoire::setSelectedItem(QTreeWidgetItem* node) {
    if (!node || node == m_tree->currentItem())
        return;
    selectQuietly(node);
    nodeClicked(node);
}

Qt::DropAction qvtRepertoire::OLEDrag() {
    if (m_path.isEmpty())
        return Qt::IgnoreAction;
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(m_path)});
    Q_EMIT OLEStartDrag(mime, 3);
    auto* drag = new QDrag(m_tree);
    drag->setMimeData(mime);
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    Q_EMIT OLECompleteDrag(action == Qt::CopyAction ? 1 : action == Qt::MoveAction ? 2 : 0);
    return action;
}

WId qvtRepertoire::hwnd() const {
    return m_tree->winId();
}

void qvtRepertoire::RefreshDir() {
    OpenAFolder(m_path);
}

void qvtRepertoire::StartEdit() {
    QTreeWidgetItem* node = m_tree->currentItem();
    if (!node)
        return;
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    m_tree->editItem(node);
}

void qvtRepertoire::editFinished(QTreeWidgetItem* node, const QString& text) {
    bool cancel = false;
    QString newString = text;
    Q_EMIT AfterEdit(cancel, newString);
    if (cancel)
        return;
    node->setData(0, NameRole, newString);
    node->setText(0, DisplayName(newString));
}

QString qvtRepertoire::FullPath(const QTreeWidgetItem* node) {
    if (!node)
        return {};
    const QString name = node->data(0, NameRole).toString();
    if (!node->parent())
        return name;
    return JoinPath(FullPath(node->parent()), name);
}

// ---- the tree ----

void qvtRepertoire::Actualiser() {
    setDropHighLight(nullptr);
    m_tree->clear();
    for (const Drive& drive : Drives()) {
        auto* node = new QTreeWidgetItem(m_tree);
        node->setText(0, DisplayName(drive.root));
        node->setData(0, NameRole, drive.root);
        node->setData(0, KindRole, DriveNode);
        const int image = imageOfDrive(drive.type);
        setImages(node, image, image);
        addPlaceholder(node);
    }
}

QTreeWidgetItem* qvtRepertoire::addPlaceholder(QTreeWidgetItem* parent) {
    auto* placeholder = new QTreeWidgetItem(parent);
    placeholder->setText(0, kPlaceholderText);
    placeholder->setData(0, KindRole, PlaceholderNode);
    return placeholder;
}

void qvtRepertoire::setImages(QTreeWidgetItem* node, int closed, int open) {
    node->setData(0, ImageRole, closed);
    node->setData(0, SelectedImageRole, open);
    QIcon icon = m_images.icon(closed);
    const QIcon selected = m_images.icon(open);
    if (open != closed && !selected.isNull()) {
        const QPixmap picture = selected.pixmap(m_images.imageSize());
        icon.addPixmap(picture, QIcon::Selected, QIcon::Off);
    }
    node->setIcon(0, icon);
}

void qvtRepertoire::FillFolderNode(QTreeWidgetItem* node) {
    PointerGuard hourglass(this, Qt::WaitCursor);
    const QString folder = FullPath(node);
    const FolderTreePaths::SubFolders sub = FolderTreePaths::ListSubFolders(folder);
    QList<QTreeWidgetItem*> children;
    children.reserve(sub.names.size());
    for (const QString& name : sub.names) {
        const QString path = JoinPath(folder, name);
        const auto [closed, open] = GetFolderImages(path);
        auto* child = new QTreeWidgetItem;
        child->setText(0, DisplayName(name));
        child->setData(0, NameRole, name);
        child->setData(0, KindRole, FolderNode);
        setImages(child, closed, open);
        if (FolderTreePaths::HasSubFolders(path))
            addPlaceholder(child);
        children << child;
    }
    node->addChildren(children);
}

QPair<int, int> qvtRepertoire::GetFolderImages(const QString& path) {
    const QString typeName = StripAtNul(m_typeSource ? m_typeSource(path) : QString());
    if (typeName.isEmpty())
        return {ClosedFolderImage, OpenFolderImage};
    int closed = m_images.indexOf(typeName);
    if (closed == 0) {
        closed =
            m_images.add(typeName, IconToPicture(m_iconSource ? m_iconSource(typeName, false) : QIcon()));
        if (closed == 0)
            closed = ClosedFolderImage;
    }
    const QString openKey = typeName + kOpenSuffix;
    int open = m_images.indexOf(openKey);
    if (open == 0) {
        open = m_images.add(openKey, IconToPicture(m_iconSource ? m_iconSource(typeName, true) : QIcon()));
        if (open == 0)
            open = OpenFolderImage;
    }
    return {closed, open};
}

void qvtRepertoire::selectQuietly(QTreeWidgetItem* node) {
    const bool was = m_quiet;
    m_quiet = true;
    m_tree->setCurrentItem(node);
    m_quiet = was;
}

void qvtRepertoire::nodeClicked(QTreeWidgetItem* node) {
    if (!node || kindOf(node) == PlaceholderNode)
        return;
    m_path = FullPath(node);
    Q_EMIT OnPathChange(m_path);
    Q_EMIT NodeClick(node);
}

void qvtRepertoire::nodeExpanded(QTreeWidgetItem* node) {
    if (kindOf(node) == PlaceholderNode)
        return;
    // The selection cannot stay on a child that goes away.
    for (QTreeWidgetItem* current = m_tree->currentItem(); current; current = current->parent()) {
        if (current->parent() == node) {
            selectQuietly(node);
            break;
        }
    }
    if (m_dropHighLight && m_dropHighLight != node) {
        for (QTreeWidgetItem* up = m_dropHighLight->parent(); up; up = up->parent())
            if (up == node) {
                m_dropHighLight = nullptr;
                break;
            }
    }
    qDeleteAll(node->takeChildren());
    FillFolderNode(node);
    Q_EMIT Expand(node);
}

void qvtRepertoire::nodeCollapsed(QTreeWidgetItem* node) {
    // As with any tree view, a selection inside the collapsed branch moves up to its top.
    for (QTreeWidgetItem* up = m_tree->currentItem() ? m_tree->currentItem()->parent() : nullptr; up;
         up = up->parent()) {
        if (up == node) {
            selectQuietly(node);
            break;
        }
    }
    const QString path = FullPath(node);
    if (path != m_path) {
        m_path = path;
        Q_EMIT OnPathChange(m_path);
    }
    Q_EMIT Collapse(node);
}

bool qvtRepertoire::OpenAFolder(const QString& folder) {
    if (folder.isEmpty())
        return false;
    const QString clean = FolderTreePaths::Clean(folder);
    if (clean.isEmpty())
        return false;
    QStringList roots;
    for (const Drive& drive : Drives())
        roots << drive.root;
    const int drive = FolderTreePaths::DriveOf(clean, roots);
    const bool isRoot = drive >= 0 && FolderTreePaths::ComponentsAfter(clean, roots.at(drive)).isEmpty();
    // A drive is taken even when it cannot be read, as a drive without medium.
    if (!isRoot && !FolderTreePaths::IsExistingFolder(clean))
        return false;

    Actualiser();
    PointerGuard hourglass(window(), Qt::WaitCursor);
    QStringList treeRoots;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        treeRoots << m_tree->topLevelItem(i)->data(0, NameRole).toString();
    const int top = FolderTreePaths::DriveOf(clean, treeRoots);
    if (top < 0)
        return true;
    QTreeWidgetItem* node = m_tree->topLevelItem(top);
    selectQuietly(node);
    m_tree->scrollToItem(node);
    node->setExpanded(true);
    for (const QString& component : FolderTreePaths::ComponentsAfter(clean, treeRoots.at(top))) {
        QStringList names;
        for (int i = 0; i < node->childCount(); ++i)
            names << node->child(i)->data(0, NameRole).toString();
        const int match = FolderTreePaths::MatchName(names, component);
        if (match < 0)
            break;
        node = node->child(match);
        selectQuietly(node);
        node->setExpanded(true);
        m_tree->scrollToItem(node);
    }
    nodeClicked(node);
    return true;
}

} // namespace vambrel
