#include "ComparisonRows.h"

namespace vambrel {

Result<ComparisonRows> ComparisonRows::open(const Database& db) {
    auto snapshot = OpenComparisonQuery(db);
    if (!snapshot)
        return Result<ComparisonRows>::failure(snapshot.error());
    ComparisonRows r;
    r.m_rows = std::move(snapshot.value());
    r.m_numId = r.m_rows.fieldIndex(u"Files.NumId");
    r.m_nom = r.m_rows.fieldIndex(u"Files.Nom");
    r.m_folder = r.m_rows.fieldIndex(u"Folders.Nom");
    r.m_taille = r.m_rows.fieldIndex(u"Files.Taille");
    r.m_modifie = r.m_rows.fieldIndex(u"Files.Modifié");
    r.m_version = r.m_rows.fieldIndex(u"Version.Produit Version");
    if (r.m_numId < 0 || r.m_nom < 0 || r.m_folder < 0 || r.m_taille < 0 || r.m_modifie < 0 ||
        r.m_version < 0)
        return Result<ComparisonRows>::failure(QStringLiteral("La requête de comparaison est incomplète."));
    r.m_rows.moveFirst();
    return r;
}

ComparisonRows ComparisonRows::clone() const {
    ComparisonRows r = *this;
    r.m_rows = m_rows.clone();
    return r;
}

bool ComparisonRows::findNumId(qint64 numId) {
    if (!m_rows.isValid())
        return false;
    const qint64 from = m_rows.absolutePosition();
    if (m_rows.findFirst(u"Files.NumId", numId))
        return true;
    if (from >= 0)
        m_rows.setAbsolutePosition(from);
    return false;
}

} // namespace vambrel
