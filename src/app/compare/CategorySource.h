#pragma once

#include "ComparisonRows.h"
#include "controls/PagedRowSource.h"

#include <QList>
#include <functional>

namespace vambrel {

// One category of the check (identical, different or deleted) as a paged list: the positions that
// the check job handed over, read through the comparison rows only for the rows shown or exported.
class CategorySource : public PagedRowSource {
public:
    // rows: a cursor of its own over the comparison rows; positions: the job's, in their order.
    CategorySource(ComparisonRows rows, QList<qint32> positions);

    void setIconProvider(std::function<QIcon(const QString& nom)> provider) { m_icon = std::move(provider); }
    const QList<qint32>& positions() const { return m_positions; }

    qint64 rowCount() const override { return m_positions.size(); }
    QStringList headers() const override;
    Row row(qint64 position) override;

    // The export line of entry `index`: folder, "/", name, as the bytes on disk.
    QByteArray exportLine(qint64 index);

private:
    bool moveToEntry(qint64 index);

    ComparisonRows m_rows;
    QList<qint32> m_positions;
    std::function<QIcon(const QString&)> m_icon;
};

} // namespace vambrel
