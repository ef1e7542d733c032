#pragma once

#include "ImageList.h"
#include "PropertyBag.h"

#include <QIcon>
#include <QString>
#include <QWidget>
#include <functional>

class QMimeData;
class QTreeWidget;
class QTreeWidgetItem;

namespace vambrel {

struct Drive;
class RepTree;

// The drives and folders of this computer as a tree, read lazily: a node's subfolders are read
// when it is expanded, again at every expansion; a placeholder "Unused" child gives a node its
// expand button until then. Folders whose names begin with "." are never listed. The host learns
// the current folder through Path, OnPathChange and NodeClick; only OpenAFolder or a click
// changes it.
class qvtRepertoire : public QWidget {
    Q_OBJECT

public:
    // Images of imlTree present from the start; run-time images follow, keyed by type name.
    enum Image { FixedDriveImage = 1, RemovableDriveImage, CdRomImage, ClosedFolderImage, OpenFolderImage };
    enum NodeKind { DriveNode = 1, FolderNode, PlaceholderNode };
    // Item data: the name on disk (a drive's mount point), the node kind, the image indexes.
    static constexpr int NameRole = Qt::UserRole;
    static constexpr int KindRole = Qt::UserRole + 1;
    static constexpr int ImageRole = Qt::UserRole + 2;
    static constexpr int SelectedImageRole = Qt::UserRole + 3;
    static inline const QString kPlaceholderText = QStringLiteral("Unused");

    // Where every folder tree (and the dialogs that list drives) reads the drives: ListDrives()
    // unless replaced, as tests do. An empty source restores ListDrives().
    using DriveSource = std::function<QList<Drive>()>;
    static void setDriveSource(DriveSource source);
    static QList<Drive> Drives();
    // The drive that choosers fall back on: the first drive, "/".
    static QString DefaultDrive();

    // The type name of a folder, and the icon for a type name (open or closed). Defaults: the
    // MIME description of folders, the icon theme's folder icons. An empty type name with a null
    // icon means "the shell gave nothing": the folder takes images 4 and 5.
    using FolderTypeSource = std::function<QString(const QString& path)>;
    using FolderIconSource = std::function<QIcon(const QString& typeName, bool open)>;
    void setFolderTypeSource(FolderTypeSource source) { m_typeSource = std::move(source); }
    void setFolderIconSource(FolderIconSource source) { m_iconSource = std::move(source); }

    explicit qvtRepertoire(QWidget* parent = nullptr);
    ~qvtRepertoire() override;

    // Design properties, forwarded to the tree; each set reports PropertyChanged.
    QFont Font() const;
    void setFont(const QFont& font);
    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style); // 0 none, 1 single line
    int Appearance() const { return m_appearance; }
    void setAppearance(int appearance); // 0 flat, 1 sunken
    QString ToolTipText() const;
    void setToolTipText(const QString& text);
    bool HideSelection() const { return m_hideSelection; }
    void setHideSelection(bool hide);
    bool HotTracking() const { return m_hotTracking; }
    void setHotTracking(bool on);
    int OLEDropMode() const { return m_oleDropMode; }
    void setOLEDropMode(int mode); // 0 none, 1 manual
    int OLEDragMode() const { return m_oleDragMode; }
    void setOLEDragMode(int mode); // 0 manual, 1 automatic
    bool Enabled() const;
    void setEnabled(bool enabled);

    void Refresh();
    // Rebuilds the tree from the drives and walks down to folder, reading each folder on the way;
    // the deepest node reached becomes current (OnPathChange, then NodeClick). False, with tree
    // and Path unchanged, for an empty text, a relative path, or a path that is no folder (letter
    // case aside). A drive root is taken even when it cannot be read.
    bool OpenAFolder(const QString& folder);
    // Rebuilds the drive level: one node per drive, each with a placeholder.
    void Actualiser();
    // Full path of the current folder; empty until a node was clicked or a folder opened.
    QString Path() const { return m_path; }
    // Always refused: error 387 in design mode, 382 otherwise. The value is never stored.
    void setPath(const QString& path);
    QTreeWidgetItem* DropHighLight() const { return m_dropHighLight; }
    void setDropHighLight(QTreeWidgetItem* node);
    QTreeWidgetItem* HitTest(int x, int y) const; // viewport coordinates
    QTreeWidget* Nodes() const;
    QTreeWidgetItem* SelectedItem() const;
    // Selects node and handles it as a click, unless it is already the selected node.
    void setSelectedItem(QTreeWidgetItem* node);
    // Drags the current folder; the drop action taken.
    Qt::DropAction OLEDrag();
    WId hwnd() const;
    // OpenAFolder on the current path: the tree as the disk is now.
    void RefreshDir();
    // In-place editing of the selected node's label; AfterEdit decides.
    void StartEdit();

    QTreeWidget* treRep() const;
    ImageList& imlTree() { return m_images; }
    // Drive text or folder path of a node, from its mount point and the names on disk.
    static QString FullPath(const QTreeWidgetItem* node);

    bool designMode() const { return m_designMode; }
    void setDesignMode(bool on) { m_designMode = on; }

    void InitProperties() {}
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

Q_SIGNALS:
    void PropertyChanged(const QString& name);
    void OLEStartDrag(QMimeData* data, int allowedEffects);
    void OLESetData(QMimeData* data, const QString& dataFormat);
    void OLEGiveFeedback(int effect, bool& defaultCursors);
    void OLEDragOver(const QMimeData* data, int& effect, int button, int shift, int x, int y, int state);
    void OLEDragDrop(const QMimeData* data, int& effect, int button, int shift, int x, int y);
    void OLECompleteDrag(int effect);
    void Click();
    void DblClick();
    void KeyDown(int keyCode, int shift);
    void KeyUp(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);
    void Collapse(QTreeWidgetItem* node);
    void Expand(QTreeWidgetItem* node);
    void NodeClick(QTreeWidgetItem* node);
    void OnPathChange(const QString& path);
    // Cancel restores the old label; otherwise NewString becomes the node's name.
    void AfterEdit(bool& Cancel, QString& NewString);

private:
    friend class RepTree;
    friend class RepEditDelegate;

    void markChanged(const QString& name) { Q_EMIT PropertyChanged(name); }
    void applyFrame();
    void applyHideSelection();
    QTreeWidgetItem* addPlaceholder(QTreeWidgetItem* parent);
    void setImages(QTreeWidgetItem* node, int closed, int open);
    void FillFolderNode(QTreeWidgetItem* node);
    QPair<int, int> GetFolderImages(const QString& path);
    void selectQuietly(QTreeWidgetItem* node);
    void nodeClicked(QTreeWidgetItem* node);
    void nodeExpanded(QTreeWidgetItem* node);
    void nodeCollapsed(QTreeWidgetItem* node);
    void editFinished(QTreeWidgetItem* node, const QString& text);

    RepTree* m_tree;
    ImageList m_images;
    FolderTypeSource m_typeSource;
    FolderIconSource m_iconSource;
    QString m_path;
    QTreeWidgetItem* m_dropHighLight = nullptr;
    int m_borderStyle = 0;
    int m_appearance = 1;
    bool m_hideSelection = false;
    bool m_hotTracking = false;
    int m_oleDropMode = 0;
    int m_oleDragMode = 0;
    bool m_designMode = false;
    bool m_quiet = false; // a selection made by the control itself, not by the user
};

} // namespace vambrel
