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
    Q_EMIT dataChanged(index, index);
    return true;
}

void FileListModel::clearRows() {
    beginResetModel();
    ++m_resets;
    m_rows.clear();
    m_rows.shrink_to_fit();
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

void FileListModel::sortRows(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount || m_rows.size() < 2)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Keys made once: the shown text, and its case-folded form that most comparisons settle on.
    struct Key {
        QString folded;
        QString text;
    };
    std::vector<Key> keys(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i) {
        keys[i].text = column == 3 ? FileListTexts::DateText(m_rows[i].mtimeSeconds) : text(int(i), column);
        keys[i].folded = keys[i].text.toCaseFolded();
    }
    std::vector<int> order_(m_rows.size());
    std::iota(order_.begin(), order_.end(), 0);
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        const Key& ka = keys[size_t(a)];
        const Key& kb = keys[size_t(b)];
        int c = QStringView(ka.folded).compare(QStringView(kb.folded));
        if (c == 0)
            c = QStringView(ka.text).compare(QStringView(kb.text));
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    std::vector<int> newPlace(m_rows.size());
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    for (size_t i = 0; i < order_.size(); ++i) {
        newPlace[size_t(order_[i])] = int(i);
        sorted.push_back(std::move(m_rows[size_t(order_[i])]));
    }
    m_rows = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to << this->index(newPlace[size_t(index.row())], index.column());
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace vambrel
