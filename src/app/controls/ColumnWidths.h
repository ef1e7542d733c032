#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class QTreeView;

namespace vambrel {

// The column widths of a list. When the list first has rows, its columns are fitted to them
// within bounds, or take the widths that the user last set in a list of the same kind during
// this session; the last column takes what is left of the width.
class ColumnWidths : public QObject {
    Q_OBJECT

public:
    ColumnWidths(QTreeView* view, const QString& kind, int minimum = 48, int maximum = 360);

    // Fits the columns the first time it is called with rows shown; later calls do nothing.
    void fitOnce();
    bool fitted() const { return m_fitted; }

    // The widths the user set for a kind of list in this session; empty when none.
    static QList<int> sessionWidths(const QString& kind);
    static void forgetSession();

private:
    void remember();

    QTreeView* m_view;
    QString m_kind;
    int m_minimum, m_maximum;
    bool m_fitted = false;
    bool m_fitting = false;
    static QHash<QString, QList<int>> s_session;
};

} // namespace vambrel
