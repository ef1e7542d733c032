#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>
#include <functional>
#include <vector>

namespace vambrel {

// The rows of the live file list: one entry of a folder each, in four columns (name, size text,
// type name, date text). The exact name is kept for every later operation on the file; the shown
// text is its readable form. Texts of sizes and dates are made when asked, so that a large folder
// costs little memory. Sorting is on a column's text, without regard to letter case first.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Row {
        QString name; // exact name (NameFromNative of the bytes on disk)
        QString type; // shared per extension
        qint64 size = 0;
        qint64 mtimeSeconds = 0;
        qint32 mtimeNanoseconds = 0;
        int image = 0; // index in the control's image list
        bool isFolder = false;
    };
    static constexpr int ColumnCount = 4;
    // The exact name of a row's entry, in its first column.
    static constexpr int NameRole = Qt::UserRole;

    // Icons by image index; the shown name's edit is handed to `editor`, which says whether the
    // new name is taken.
    using IconSource = std::function<QIcon(int image)>;
    using EditHandler = std::function<bool(int row, QString& newName)>;

    explicit FileListModel(QObject* parent = nullptr);
    void setIconSource(IconSource source) { m_icons = std::move(source); }
    void setEditHandler(EditHandler handler) { m_edit = std::move(handler); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    void clearRows();
    void appendRows(std::vector<Row>& rows);
    const Row& row(int index) const { return m_rows[size_t(index)]; }
    // The text of a cell as the list shows it.
    QString text(int row, int column) const;
    // Sorts the rows on the text of a column; selections and current items follow their rows.
    // The keys are kept, so that rows appended with appendSorted are merged in place.
    void sortRows(int column, Qt::SortOrder order);
    void appendSorted(std::vector<Row>& rows, int column, Qt::SortOrder order);
    bool sortedBy(int column, Qt::SortOrder order) const;
    void dropSortKeys();

private:
    struct SortKey {
        QString folded;
        QString text;
    };
    SortKey keyOf(int row, int column) const;
    static bool before(const SortKey& a, const SortKey& b, Qt::SortOrder order);
    // Puts the row at order[i] in place i.
    void applyOrder(const std::vector<int>& order);

    std::vector<Row> m_rows;
    std::vector<SortKey> m_keys; // while sorted by m_keyColumn: one per row
    int m_keyColumn = -1;
    Qt::SortOrder m_keyOrder = Qt::AscendingOrder;
    IconSource m_icons;
    EditHandler m_edit;
    quint64 m_resets = 0;
};

} // namespace vambrel
