#pragma once

#include "DirectoryLister.h"
#include "TypeNames.h"
#include "controls/ImageList.h"
#include "controls/PropertyBag.h"
#include "controls/WaitCursor.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>

class QAbstractItemView;
class QListView;
class QStackedLayout;
class QTreeView;

namespace vambrel {

class FileListModel;

// The entries of one folder of this computer in four columns (name, size, type, date) with the
// icon of each entry's type. The control reads the folder itself, in chunks: input is handled
// between them, a new listing abandons the one under way, and a key-down of the up or down arrow
// in the folder tree named by ParentTree cuts the listing short where it is. Entries are looked at
// with lstat and never opened, so FIFOs, sockets, devices and dangling links are listed like any
// file. Each item keeps the exact name of its entry (ItemName) beside its readable text (ItemText).
// Items are numbered from 1, in the order shown; 0 means none.
class qvtFichier : public QWidget {
    Q_OBJECT

public:
    enum View { LargeIcons = 0, SmallIcons = 1, ListView = 2, Report = 3 };
    // The design widths of the columns, in twips.
    static constexpr int kDesignWidths[4] = {2300, 900, 2000, 1000};
    // Entries listed before input is looked at, and the most time a chunk takes.
    static constexpr int kChunkRows = 4096;
    static constexpr int kChunkMilliseconds = 25;

    explicit qvtFichier(QWidget* parent = nullptr);
    ~qvtFichier() override;

    // Design properties, forwarded to the list; each set reports PropertyChanged.
    QColor BackColor() const;
    void setBackColor(const QColor& color);
    QColor ForeColor() const;
    void setForeColor(const QColor& color);
    bool Enabled() const { return isEnabled(); }
    void setEnabled(bool enabled);
    QFont Font() const { return font(); }
    void setFont(const QFont& font);
    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style);
    void Refresh();
    bool AllowColumnReorder() const { return m_allowColumnReorder; }
    void setAllowColumnReorder(bool on);
    int Appearance() const { return m_appearance; }
    void setAppearance(int appearance);
    int Arrange() const { return m_arrange; }
    void setArrange(int arrange);
    bool FullRowSelect() const { return m_fullRowSelect; }
    void setFullRowSelect(bool on);
    bool HideSelection() const { return m_hideSelection; }
    void setHideSelection(bool on);
    bool HotTracking() const { return m_hotTracking; }
    void setHotTracking(bool on);
    bool HoverSelection() const { return m_hoverSelection; }
    void setHoverSelection(bool on);
    bool LabelWrap() const { return m_labelWrap; }
    void setLabelWrap(bool on);
    int PictureAlignment() const { return m_pictureAlignment; }
    void setPictureAlignment(int alignment);
    bool Sorted() const { return m_sorted; }
    void setSorted(bool on);
    int SortOrder() const { return m_sortOrder; } // 0 ascending, 1 descending
    void setSortOrder(int order);
    int TextBackground() const { return m_textBackground; }
    void setTextBackground(int value);
    QString ToolTipText() const { return toolTip(); }
    void setToolTipText(const QString& text);
    int View() const { return m_view; }
    // Between large icons and any other view the image cache is emptied and the folder listed
    // again (its images have another size); otherwise only the view changes.
    void setView(int view);
    bool MultiSelect() const { return m_multiSelect; }
    void setMultiSelect(bool on);
    bool HideColumnHeaders() const { return m_hideColumnHeaders; }
    void setHideColumnHeaders(bool on);
    QPixmap Picture() const { return m_picture; }
    void setPicture(const QPixmap& picture);
    int SortKey() const { return m_sortKey; } // zero-based column
    void setSortKey(int key);
    int OLEDropMode() const { return m_oleDropMode; }
    void setOLEDropMode(int mode);
    int OLEDragMode() const { return m_oleDragMode; }
    void setOLEDragMode(int mode);

    // "Filtre (caractères génériques) appliqué à la liste des fichiers": stored only.
    QString Filter() const { return m_filter; }
    void setFilter(const QString& filter);
    // "Indique si les répertoires doivent être dans la liste des fichiers.": refills the list.
    bool ShowFolders() const { return m_showFolders; }
    void setShowFolders(bool on);
    // "Nom du contrôle Répertoire gérant le contrôle Fichiers (si existe)": the object name of a
    // folder tree on the same window. Stored only.
    QString ParentTree() const { return m_parentTree; }
    void setParentTree(const QString& name);
    // Column widths in twips; a set applies the width to its column.
    int ColNameWidth() const { return m_widths[0]; }
    void setColNameWidth(int twips) { setColumnWidth(0, twips); }
    int ColSizeWidth() const { return m_widths[1]; }
    void setColSizeWidth(int twips) { setColumnWidth(1, twips); }
    int ColTypeWidth() const { return m_widths[2]; }
    void setColTypeWidth(int twips) { setColumnWidth(2, twips); }
    int ColDateWidth() const { return m_widths[3]; }
    void setColDateWidth(int twips) { setColumnWidth(3, twips); }

    // Lists a folder: the list is emptied, then filled with the entries that match Filter, in
    // chunks. A folder that cannot be read gives an empty list; Path becomes the folder either way.
    void GetFiles(const QString& folder);
    QString Path() const { return m_path; }
    void setPath(const QString& folder);
    void RefreshList() { GetFiles(m_path); }
    // Total size of the entries of the last listing, in octets.
    qint64 FilesSize() const { return m_filesSize; }
    // Whether a listing is still under way.
    bool listing() const { return m_lister != nullptr; }
    // Whether the last listing stopped before the end of the folder (arrow key in the tree).
    bool cutShort() const { return m_cutShort; }
    void setChunkRows(int rows) { m_chunkRows = rows > 0 ? rows : 1; }

    // Items, numbered from 1 in the order shown.
    int ListItemsCount() const;
    QString ItemText(int index) const;                // the readable name
    QString ItemName(int index) const;                // the exact name on disk
    QString ItemSubText(int index, int column) const; // 1 to 4
    bool ItemSelected(int index) const;
    void setItemSelected(int index, bool selected);
    QIcon ItemSmallIcon(int index) const;
    // The focused item when it is selected, else the first selected one; 0 when none.
    int SelectedItem() const;
    // Makes the item current and selected; other items stay selected only when it already was.
    void setSelectedItem(int index);
    // The exact names of the selected items, in list order.
    QStringList SelectedNames() const;
    // The item at a point of the list's viewport; 0 when none.
    int HitTest(int x, int y) const;
    // The first item whose text is `text`; 0 when none.
    int FindItem(const QString& text) const;
    int GetFirstVisible() const;
    const ImageList& ListImages() const { return m_images; }
    // Starts editing the selected item's label; AfterEdit decides.
    void StartEdit();

    QAbstractItemView* LisFich() const; // the view shown now
    QTreeView* reportView() const { return m_report; }
    QListView* iconView() const { return m_iconView; }
    FileListModel* model() const { return m_model; }

    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

Q_SIGNALS:
    void PropertyChanged(const QString& name);
    void ColumnClick(int column); // 1 to 4
    void ItemClick(int index);
    void Click();
    void DblClick();
    void KeyDown(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, int shift);
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);
    // Cancel keeps the old label; otherwise NewString becomes the item's name.
    void AfterEdit(bool& Cancel, QString& NewString);
    // After each chunk of a listing and at its end (done true).
    void Listed(int items, qint64 filesSize, bool done);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    template <class Base> friend class FichView;

    void markChanged(const QString& name) { Q_EMIT PropertyChanged(name); }
    void setColumnWidth(int column, int twips);
    void applyColumnWidths();
    void applyFrame();
    void applyColors();
    void applySorting();
    void fillChunk(quint64 generation, bool first);
    void endListing();
    void watchParentTree();
    int imageFor(const QString& name, bool isFolder);
    QPixmap shellPicture(const QString& name);
    QModelIndex indexOf(int index) const;

    FileListModel* m_model;
    QStackedLayout* m_stack;
    QTreeView* m_report;
    QListView* m_iconView;
    ImageList m_images;
    QHash<QString, QPixmap> m_pictures; // the theme's picture per MIME type, at the image size
    QMimeDatabase m_mime;
    TypeNames m_types;

    std::unique_ptr<DirectoryLister> m_lister;
    std::optional<WaitCursor> m_hourglass;
    quint64 m_generation = 0;
    int m_chunkRows = kChunkRows;
    bool m_cutShort = false;
    QList<QPointer<QWidget>> m_watched;

    QString m_path;
    QString m_filter = QStringLiteral("*.*");
    bool m_showFolders = false;
    QString m_parentTree;
    int m_widths[4] = {kDesignWidths[0], kDesignWidths[1], kDesignWidths[2], kDesignWidths[3]};
    qint64 m_filesSize = 0;

    QColor m_backColor;
    QColor m_foreColor;
    int m_borderStyle = 1;
    bool m_allowColumnReorder = false;
    int m_appearance = 1;
    int m_arrange = 0;
    bool m_fullRowSelect = false;
    bool m_hideSelection = false;
    bool m_hotTracking = false;
    bool m_hoverSelection = false;
    bool m_labelWrap = false;
    int m_pictureAlignment = 0;
    bool m_sorted = false;
    int m_sortOrder = 0;
    int m_textBackground = 0;
    int m_view = LargeIcons;
    bool m_multiSelect = false;
    bool m_hideColumnHeaders = false;
    QPixmap m_picture;
    int m_sortKey = 0;
    int m_oleDropMode = 0;
    int m_oleDragMode = 0;
};

} // namespace vambrel
