#include "CategorySource.h"

#include "NativeName.h"
#include "PathSyntax.h"
#include "catalogue/ListingSource.h"

namespace vambrel {

CategorySource::CategorySource(ComparisonRows rows, QList<qint32> positions)
    : m_rows(std::move(rows)), m_positions(std::move(positions)) {}

QStringList CategorySource::headers() const {
    return {QStringLiteral("Nom"), QStringLiteral("Chemin")};
}

bool CategorySource::moveToEntry(qint64 index) {
    // A position the rows do not hold (a job that disagrees with the window) shows as nothing.
    return index >= 0 && index < m_positions.size() && m_rows.moveTo(m_positions.at(index));
}

PagedRowSource::Row CategorySource::row(qint64 position) {
    Row r;
    if (!moveToEntry(position))
        return r;
    const QString nom = m_rows.nom();
    r.texts = {ListingSource::shownName(DisplayName(nom), nom), DisplayName(m_rows.folder())};
    r.key = m_rows.numId();
    if (m_icon)
        r.icon = m_icon(nom);
    return r;
}

QByteArray CategorySource::exportLine(qint64 index) {
    if (!moveToEntry(index))
        return {};
    return PathToNative(JoinPath(m_rows.folder(), m_rows.nom()));
}

} // namespace vambrel
