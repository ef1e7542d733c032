#include "PagedList.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTreeView>
#include <QWheelEvent>

namespace vambrel {

// ---- model ----

PagedListModel::PagedListModel(QObject* parent) : QAbstractTableModel(parent) {}

void PagedListModel::setSource(PagedRowSource* source) {
    beginResetModel();
    m_source = source;
    m_headers = source ? source->headers() : QStringList();
    m_right = source ? source->rightAlignedColumns() : QList<int>();
    m_rows.clear();
    m_first = 0;
    endResetModel();
}

void PagedListModel::showPage(qint64 first, int count) {
    QVector<PagedRowSource::Row> rows;
    if (m_source && count > 0) {
        const qint64 end = std::min<qint64>(first + count, m_source->rowCount());
        rows.reserve(int(std::max<qint64>(0, end - first)));
        for (qint64 position = first; position < end; ++position)
            rows.append(m_source->row(position));
        m_source->restAt(first);
    }
    if (rows.size() == m_rows.size()) {
        // The same shape: the view keeps its current index and scroll state.
        m_rows = std::move(rows);
        m_first = first;
        if (!m_rows.isEmpty())
            Q_EMIT dataChanged(index(0, 0), index(int(m_rows.size()) - 1, int(m_headers.size()) - 1));
        return;
    }
    beginResetModel();
    m_rows = std::move(rows);
    m_first = first;
    endResetModel();
}

int PagedListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PagedListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant PagedListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const PagedRowSource::Row& row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return index.column() < row.texts.size() ? row.texts[index.column()] : QString();
    case Qt::DecorationRole:
        return index.column() == 0 && !row.icon.isNull() ? QVariant(row.icon) : QVariant();
    case Qt::UserRole:
        return row.key;
    case Qt::TextAlignmentRole:
        return m_right.contains(index.column()) ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
        return {};
    }
}

QVariant PagedListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_headers.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_headers[section];
    if (role == Qt::TextAlignmentRole && m_right.contains(section))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

// ---- list ----

PagedList::PagedList(QWidget* parent) : QWidget(parent) {
    m_model = new PagedListModel(this);
    m_list = new QTreeView(this);
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setItemsExpandable(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setAllColumnsShowFocus(true);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setIconSize(QSize(16, 16));
    m_list->header()->setSectionsClickable(true);
    m_list->header()->setSortIndicatorShown(false);
    m_scroll = new QScrollBar(Qt::Vertical, this);
    m_scroll->setRange(1, 1);
    m_scroll->setValue(1);

    connect(m_list->header(), &QHeaderView::sectionClicked, this, &PagedList::headerClicked);
    connect(m_scroll, &QScrollBar::valueChanged, this, &PagedList::onScroll);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_filling)
                    m_pager.setSelected(current.isValid() ? current.row() : -1);
            });
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    layoutChildren();
}

void PagedList::setSource(PagedRowSource* source) {
    m_model->setSource(source);
    reset();
}

void PagedList::reset() {
    PagedRowSource* source = m_model->source();
    m_pager.reset(source ? source->rowCount() : 0);
    computePage();
    fill();
    const QSignalBlocker block(m_scroll);
    m_scroll->setValue(1);
}

qint64 PagedList::currentRow() const {
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid() || !m_list->selectionModel()->isSelected(current))
        return -1;
    return m_model->firstRow() + current.row();
}

qint64 PagedList::currentKey() const {
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid() || !m_list->selectionModel()->isSelected(current))
        return -1;
    return current.siblingAtColumn(0).data(Qt::UserRole).toLongLong();
}

void PagedList::setPageSelection(int row) {
    const QModelIndex index = m_model->index(row, 0);
    if (index.isValid())
        m_list->setCurrentIndex(index);
    else
        m_list->selectionModel()->clear();
    m_pager.setSelected(index.isValid() ? row : -1);
}

void PagedList::layoutChildren() {
    const int scrollWidth = m_scroll->sizeHint().width();
    m_list->setGeometry(0, 0, std::max(0, width() - scrollWidth), height());
    m_scroll->setGeometry(std::max(0, width() - scrollWidth), 0, scrollWidth, height());
}

// Rows of a page for the list's height: measured on a shown row.
void PagedList::computePage() {
    layoutChildren(); // a hidden list gets no resize event
    PagedRowSource* source = m_model->source();
    if (m_model->rowCount() == 0 && source && source->rowCount() > 0)
        m_model->showPage(m_pager.topRow() - 1, 1);
    int rowHeight = m_model->rowCount() > 0 ? m_list->sizeHintForRow(0) : 0;
    if (rowHeight <= 0)
        rowHeight = std::max(fontMetrics().height(), m_list->iconSize().height()) + 4;
    m_pager.setPageRows(ListingPager::pageRowsFor(height(), rowHeight));
    const QSignalBlocker block(m_scroll);
    m_scroll->setRange(m_pager.scrollMinimum(), m_pager.scrollMaximum());
    m_scroll->setPageStep(m_pager.largeChange());
    m_scroll->setValue(int(m_pager.topRow()));
}

// Rows topRow .. topRow + shownRows() - 1, with the pager's selection.
void PagedList::fill() {
    m_filling = true;
    m_model->showPage(m_pager.topRow() - 1, m_pager.shownRows());
    const int selected = m_pager.selected();
    const QModelIndex index = selected >= 0 ? m_model->index(selected, 0) : QModelIndex();
    if (index.isValid())
        m_list->setCurrentIndex(index);
    else
        m_list->selectionModel()->clear();
    m_filling = false;
}

void PagedList::apply(ListingPager::Action action) {
    if (action != ListingPager::Action::None)
        fill();
    const QSignalBlocker block(m_scroll);
    m_scroll->setValue(int(m_pager.topRow()));
}

void PagedList::onScroll(int value) {
    if (value == m_pager.topRow())
        return;
    apply(m_pager.scrollTo(value));
}

void PagedList::pageKey(int key) {
    if (m_model->rowCount() == 0)
        return;
    switch (key) {
    case Qt::Key_Down:
        apply(m_pager.keyDown());
        break;
    case Qt::Key_Up:
        apply(m_pager.keyUp());
        break;
    case Qt::Key_PageDown:
        apply(m_pager.pageDown());
        break;
    case Qt::Key_PageUp:
        apply(m_pager.pageUp());
        break;
    case Qt::Key_Home:
        apply(m_pager.home());
        break;
    case Qt::Key_End:
        apply(m_pager.end());
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (currentRow() >= 0)
            Q_EMIT activated();
        break;
    default:
        break;
    }
}

void PagedList::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
    if (m_model->source()) {
        computePage();
        if (m_pager.rowCount() >= 1)
            fill();
    }
}

bool PagedList::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_list && watched != m_list->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* press = static_cast<QKeyEvent*>(event);
        const int key = press->key();
        // Ctrl+Home and Ctrl+End reach the ends of the whole list, not of the page.
        if ((key == Qt::Key_Home || key == Qt::Key_End) && (press->modifiers() & Qt::ControlModifier)) {
            pageKey(key);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            pageKey(key);
            return true;
        }
        const int shown = m_model->rowCount();
        const int current = m_list->currentIndex().isValid() ? m_list->currentIndex().row() : -1;
        m_pager.setSelected(current);
        const bool atBottom = shown > 0 && current == shown - 1;
        const bool atTop = shown > 0 && current == 0;
        if (((key == Qt::Key_Down || key == Qt::Key_PageDown) && atBottom) ||
            ((key == Qt::Key_Up || key == Qt::Key_PageUp) && atTop)) {
            pageKey(key);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonPress:
        if (watched == m_list->viewport()) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            // The row is found by its height alone, so that a click past the last column finds it.
            const QModelIndex row = m_list->indexAt(QPoint(1, mouse->position().toPoint().y()));
            if (mouse->button() == Qt::RightButton) {
                if (row.isValid())
                    setPageSelection(row.row());
                Q_EMIT contextMenuRequested(mouse->globalPosition().toPoint());
                return true;
            }
            if (row.isValid() && !m_list->indexAt(mouse->position().toPoint()).isValid()) {
                setPageSelection(row.row());
                return true;
            }
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (watched == m_list->viewport()) {
            if (currentRow() >= 0)
                Q_EMIT activated();
            return true;
        }
        break;
    case QEvent::Wheel:
        if (watched == m_list->viewport()) {
            const int steps = static_cast<QWheelEvent*>(event)->angleDelta().y() / 40;
            m_scroll->setValue(m_scroll->value() - steps);
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vambrel
