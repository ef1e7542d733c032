#include "FileListModel.h"

#include "FileListTexts.h"
#include "FileTime.h"
#include "NativeName.h"
#include "TextFormat.h"

#include <algorithm>
#include <numeric>

namespace vambrel {

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString FileListModel::text(int row, int column) const {
    const Row& r = m_rows[size_t(row)];
    switch (column) {
    case 0:
        return DisplayName(r.name);
    case 1:
        return FileListTexts::KoText(r.size);
    case 2:
        return r.type;
    case 3:
        return FormatFileDate(FileTimeFromUnix(r.mtimeSeconds, r.mtimeNanoseconds));
    default:
        return {};
    }
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(index.row(), index.column());
    case Qt::DecorationRole:
        if (index.column() == 0 && m_icons)
            return m_icons(m_rows[size_t(index.row())].image);
        return {};
    case Qt::TextAlignmentRole:
        return index.column() == 1 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case NameRole:
        return m_rows[size_t(index.row())].name;
    default:
        return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    static const char* const captions[ColumnCount] = {"Nom", "Taille", "Type", "Modifié"};
    if (role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromUtf8(captions[section]);
    if (role == Qt::TextAlignmentRole)
        return section == 1 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                            : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0)
        f |= Qt::ItemIsEditable; // the views start edits only through StartEdit
    return f;
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.column() != 0)
        return false;
    QString newName = value.toString();
    // An edit that changes nothing renames nothing.
    if (newName == DisplayName(m_rows[size_t(index.row())].name))
        return false;
    // The handler may list the folder again: then the rows it renamed are already new.
    const quint64 resets = m_resets;
    if (m_edit && !m_edit(index.row(), newName))
        return false;
    if (resets != m_resets || index.row() >= int(m_rows.size()))
        return true;
    m_rows[size_t(index.row())].name = newName;
    m_keyColumn = -1; // its sort key is no longer true
    Q_EMIT dataChanged(index, index);
    return true;
}

void FileListModel::clearRows() {
    beginResetModel();
    ++m_resets;
    m_rows.clear();
    m_rows.shrink_to_fit();
    dropSortKeys();
    endResetModel();
}

void FileListModel::appendRows(std::vector<Row>& rows) {
    if (rows.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
    rows.clear();
}

FileListModel::SortKey FileListModel::keyOf(int row, int column) const {
    SortKey key;
    key.text = column == 3 ? FileListTexts::DateText(m_rows[size_t(row)].mtimeSeconds) : text(row, column);
    key.folded = key.text.toCaseFolded();
    return key;
}

// Without regard to letter case first, then by code point, so that the order is total.
bool FileListModel::before(const SortKey& a, const SortKey& b, Qt::SortOrder order) {
    int c = QStringView(a.folded).compare(QStringView(b.folded));
    if (c == 0)
        c = QStringView(a.text).compare(QStringView(b.text));
    return order == Qt::AscendingOrder ? c < 0 : c > 0;
}

bool FileListModel::sortedBy(int column, Qt::SortOrder order) const {
    return m_keyColumn == column && m_keyOrder == order && m_keys.size() == m_rows.size();
}

void FileListModel::dropSortKeys() {
    m_keys.clear();
    m_keys.shrink_to_fit();
    m_keyColumn = -1;
}

void FileListModel::sortRows(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount)
        return;
    m_keys.resize(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_keys[i] = keyOf(int(i), column);
    m_keyColumn = column;
    m_keyOrder = order;
    std::vector<int> sorted(m_rows.size());
    std::iota(sorted.begin(), sorted.end(), 0);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](int a, int b) { return before(m_keys[size_t(a)], m_keys[size_t(b)], order); });
    applyOrder(sorted);
}

void FileListModel::appendSorted(std::vector<Row>& rows, int column, Qt::SortOrder order) {
    const bool keysValid = sortedBy(column, order);
    const size_t first = m_rows.size();
    appendRows(rows);
    if (!keysValid) {
        sortRows(column, order);
        return;
    }
    // The new rows sorted among themselves, then merged with the sorted ones, which come first
    // among equals.
    for (size_t i = first; i < m_rows.size(); ++i)
        m_keys.push_back(keyOf(int(i), column));
    std::vector<int> tail(m_rows.size() - first);
    std::iota(tail.begin(), tail.end(), int(first));
    std::stable_sort(tail.begin(), tail.end(),
                     [&](int a, int b) { return before(m_keys[size_t(a)], m_keys[size_t(b)], order); });
    std::vector<int> merged;
    merged.reserve(m_rows.size());
    size_t i = 0, j = 0;
    while (i < first || j < tail.size()) {
        if (j == tail.size() || (i < first && !before(m_keys[size_t(tail[j])], m_keys[i], order)))
            merged.push_back(int(i++));
        else
            merged.push_back(tail[j++]);
    }
    applyOrder(merged);
}

void FileListModel::applyOrder(const std::vector<int>& order) {
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPlace(m_rows.size());
    std::vector<Row> rows;
    rows.reserve(m_rows.size());
    std::vector<SortKey> keys;
    const bool withKeys = m_keys.size() == m_rows.size();
    if (withKeys)
        keys.reserve(m_keys.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const size_t from = size_t(order[i]);
        newPlace[from] = int(i);
        rows.push_back(std::move(m_rows[from]));
        if (withKeys)
            keys.push_back(std::move(m_keys[from]));
    }
    m_rows = std::move(rows);
    if (withKeys)
        m_keys = std::move(keys);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to << this->index(newPlace[size_t(index.row())], index.column());
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace vambrel
