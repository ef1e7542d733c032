#include "FolderFileList.h"

#include "ListingSource.h"
#include "NativeName.h"
#include "controls/TypeIcons.h"
#include "controls/WaitCursor.h"

#include <QHeaderView>
#include <QTimer>

namespace vambrel {

namespace {

// A file row sorted by the text of the chosen column, without regard to case.
class TextItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
};

} // namespace

FolderFileList::FolderFileList(TypeIcons& icons, QWidget* parent) : QTreeWidget(parent), m_icons(icons) {
    setHeaderLabels(
        {QStringLiteral("Nom"), QStringLiteral("Taille"), QStringLiteral("Type"), QStringLiteral("Modifié")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    header()->setSectionsClickable(true);
    // The rows come ordered by name.
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(0, Qt::AscendingOrder);
    setIconSize(QSize(16, 16));
    connect(header(), &QHeaderView::sectionClicked, this, &FolderFileList::columnClick);
}

void FolderFileList::clearFolder() {
    ++m_generation;
    clear();
    m_totalSize = 0;
    m_pending = false;
    m_rows = FileRows();
}

void FolderFileList::listFolder(const Database* db, qint64 num) {
    clearFolder();
    if (!db || !db->isOpen())
        return;
    WaitCursor hourglass;
    auto files = FileRows::ofFolder(*db, num);
    if (!files) {
        Q_EMIT Listed(0, 0);
        return;
    }
    m_rows = std::move(files.value());
    m_rows.rows().moveFirst();
    m_pending = true;
    fillChunk(m_generation);
}

void FolderFileList::fillChunk(quint64 generation) {
    if (generation != m_generation || !m_pending)
        return;
    Snapshot& rows = m_rows.rows();
    QList<QTreeWidgetItem*> items;
    items.reserve(kChunk);
    for (int n = 0; n < kChunk && rows.hasCurrent(); ++n, rows.moveNext()) {
        const QString name = m_rows.nom();
        const QVariant size = m_rows.taille();
        auto* item = new TextItem(QStringList{DisplayName(name), ListingSource::sizeText(size), m_rows.type(),
                                              ListingSource::dateText(m_rows.modifie())});
        item->setData(0, Qt::UserRole, m_rows.numId());
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setIcon(0, m_icons.forName(name));
        items << item;
        m_totalSize += size.toDouble();
    }
    addTopLevelItems(items);
    if (m_sortColumn >= 0)
        sortItems(m_sortColumn, m_sortOrder);
    Q_EMIT Listed(topLevelItemCount(), m_totalSize);
    if (!rows.hasCurrent()) {
        m_pending = false;
        rows.moveFirst();
        return;
    }
    QTimer::singleShot(0, this, [this, generation] { fillChunk(generation); });
}

void FolderFileList::columnClick(int column) {
    if (column == m_sortColumn)
        m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    else
        m_sortColumn = column;
    sortItems(m_sortColumn, m_sortOrder);
    header()->setSortIndicator(m_sortColumn, m_sortOrder);
}

} // namespace vambrel
