#include "ColumnWidths.h"

#include <QHeaderView>
#include <QTreeView>

namespace vambrel {

QHash<QString, QList<int>> ColumnWidths::s_session;

ColumnWidths::ColumnWidths(QTreeView* view, const QString& kind, int minimum, int maximum)
    : QObject(view), m_view(view), m_kind(kind), m_minimum(minimum), m_maximum(maximum) {
    m_view->header()->setStretchLastSection(true);
    connect(m_view->header(), &QHeaderView::sectionResized, this, [this] {
        if (!m_fitting && m_fitted)
            remember();
    });
}

void ColumnWidths::fitOnce() {
    QAbstractItemModel* model = m_view->model();
    if (m_fitted || !model || model->rowCount() == 0)
        return;
    m_fitting = true;
    QHeaderView* header = m_view->header();
    const int last = header->count() - 1;
    const QList<int> kept = s_session.value(m_kind);
    for (int column = 0; column < last; ++column) {
        int width = 0;
        if (column < kept.size()) {
            width = kept[column];
        } else {
            width = std::max(static_cast<const QAbstractItemView*>(m_view)->sizeHintForColumn(column),
                             header->sectionSizeHint(column));
            width = std::clamp(width + 8, m_minimum, m_maximum);
        }
        header->resizeSection(column, width);
    }
    m_fitting = false;
    m_fitted = true;
}

QList<int> ColumnWidths::sessionWidths(const QString& kind) {
    return s_session.value(kind);
}

void ColumnWidths::forgetSession() {
    s_session.clear();
}

void ColumnWidths::remember() {
    QHeaderView* header = m_view->header();
    QList<int> widths;
    for (int column = 0; column < header->count() - 1; ++column)
        widths << header->sectionSize(column);
    s_session.insert(m_kind, widths);
}

} // namespace vambrel
