#include "NewFileSource.h"

#include "NativeName.h"
#include "PathSyntax.h"

namespace vambrel {

bool NewFileSource::open(const QString& path, QString* error) {
    close();
    if (!m_db.open(path, OpenMode::ReadOnly, DbKind::NewFilesList) || !reopen()) {
        if (error)
            *error = m_db.lastError();
        close();
        return false;
    }
    return true;
}

void NewFileSource::close() {
    m_rows = NewFileRows();
    m_db.close();
}

bool NewFileSource::reopen() {
    const auto key = m_key == 0 ? NewFileRows::ByName : NewFileRows::ByFolder;
    auto rows = m_rows.isValid() ? m_rows.resorted(key, m_desc) : NewFileRows::open(m_db, key, m_desc);
    if (!rows)
        return false;
    m_rows = std::move(rows.value());
    return true;
}

bool NewFileSource::sortByColumn(int column) {
    if (!isOpen() || column < 0 || column > 1)
        return false;
    const int oldKey = m_key;
    const bool oldDesc = m_desc;
    if (column == m_key) {
        m_desc = !m_desc;
    } else {
        m_key = column;
        m_desc = false;
    }
    if (reopen())
        return true;
    m_key = oldKey;
    m_desc = oldDesc;
    return false;
}

QStringList NewFileSource::headers() const {
    return {QStringLiteral("Nom"), QStringLiteral("Chemin")};
}

NewFileSource::Entry NewFileSource::entry(qint64 index) {
    if (!m_rows.moveTo(index))
        return {};
    return {m_rows.nom(), m_rows.folder()};
}

PagedRowSource::Row NewFileSource::row(qint64 position) {
    Row r;
    if (!m_rows.moveTo(position))
        return r;
    // The name as stored, not a display name with its extension made up.
    const QString nom = m_rows.nom();
    r.texts = {DisplayName(nom), DisplayName(m_rows.folder())};
    r.key = m_rows.numId();
    if (m_icon)
        r.icon = m_icon(nom);
    return r;
}

QByteArray NewFileSource::exportLine(qint64 index) {
    const Entry e = entry(index);
    return e.nom.isNull() ? QByteArray() : PathToNative(JoinPath(e.folder, e.nom));
}

} // namespace vambrel
