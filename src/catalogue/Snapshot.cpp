#include "Snapshot.h"

#include "FileTime.h"
#include "SnapshotRows.h"
#include "SqliteStatement.h"

namespace vambrel {

namespace {

QString columnString(const char* text) {
    return text != nullptr ? QString::fromUtf8(text) : QString();
}

// "[Folders].[Nom]", "Folders!Nom" and "Folders.Nom" all name table Folders, field Nom.
bool splitQualified(QStringView name, QString* table, QString* field) {
    qsizetype dot = -1;
    bool inBracket = false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == u'[')
            inBracket = true;
        else if (name[i] == u']')
            inBracket = false;
        else if (!inBracket && (name[i] == u'.' || name[i] == u'!'))
            dot = i;
    }
    if (dot < 0)
        return false;
    auto unbracket = [](QStringView s) {
        s = s.trimmed();
        if (s.size() >= 2 && s.front() == u'[' && s.back() == u']')
            s = s.mid(1, s.size() - 2);
        return s.toString();
    };
    *table = unbracket(name.left(dot));
    *field = unbracket(name.mid(dot + 1));
    return true;
}

bool bindParam(SqliteStatement& st, int index, const QVariant& value) {
    if (value.isNull())
        return st.bindNull(index);
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
        return st.bindInt(index, value.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return st.bindInt(index, static_cast<qint64>(value.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(st.get(), index, value.toDouble()) == SQLITE_OK;
    case QMetaType::QDateTime:
        return st.bindText(index, DateToText(value.toDateTime()));
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return sqlite3_bind_blob(st.get(), index, bytes.constData(), static_cast<int>(bytes.size()),
                                 SQLITE_TRANSIENT) == SQLITE_OK;
    }
    default:
        return st.bindText(index, value.toString());
    }
}

bool isNumeric(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

Snapshot::Snapshot() = default;
Snapshot::~Snapshot() = default;
Snapshot::Snapshot(const Snapshot&) = default;
Snapshot& Snapshot::operator=(const Snapshot&) = default;
Snapshot::Snapshot(Snapshot&&) noexcept = default;
Snapshot& Snapshot::operator=(Snapshot&&) noexcept = default;

Result<Snapshot> Snapshot::open(const Database& db, const QString& sql, const QVariantList& params) {
    if (!db.isOpen())
        return Result<Snapshot>::failure(QStringLiteral("Aucun catalogue n'est ouvert."));
    SqliteStatement st(db.handle(), sql);
    if (!st.isValid()) {
        db.fail(QStringLiteral("Impossible de lire le catalogue"));
        return Result<Snapshot>::failure(db.lastError());
    }
    for (int i = 0; i < params.size(); ++i) {
        if (!bindParam(st, i + 1, params[i]))
            return Result<Snapshot>::failure(QStringLiteral("Paramètre de requête invalide."));
    }
    const int columns = sqlite3_column_count(st.get());
    std::vector<SnapshotRows::Column> layout;
    layout.reserve(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        layout.push_back({columnString(sqlite3_column_name(st.get(), c)),
                          columnString(sqlite3_column_table_name(st.get(), c)),
                          columnString(sqlite3_column_origin_name(st.get(), c))});
    }
    auto rows = std::make_shared<SnapshotRows>(std::move(layout));
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) {
        if (!rows->appendRow(st.get()))
            return Result<Snapshot>::failure(QStringLiteral("Mémoire insuffisante pour lire le catalogue."));
    }
    if (rc != SQLITE_DONE) {
        db.fail(QStringLiteral("Impossible de lire le catalogue"));
        return Result<Snapshot>::failure(db.lastError());
    }
    rows->finish();
    Snapshot snapshot;
    snapshot.m_rows = std::move(rows);
    snapshot.m_position = snapshot.m_rows->rowCount() > 0 ? 0 : -1;
    return snapshot;
}

Snapshot Snapshot::clone() const {
    Snapshot copy(*this);
    copy.m_noMatch = false;
    return copy;
}

qint64 Snapshot::recordCount() const {
    return m_rows ? m_rows->rowCount() : 0;
}

bool Snapshot::bof() const {
    return recordCount() == 0 || m_position < 0;
}

bool Snapshot::eof() const {
    return recordCount() == 0 || m_position >= recordCount();
}

bool Snapshot::hasCurrent() const {
    return m_position >= 0 && m_position < recordCount();
}

qint64 Snapshot::absolutePosition() const {
    return hasCurrent() ? m_position : -1;
}

bool Snapshot::setAbsolutePosition(qint64 position) {
    if (position < 0 || position >= recordCount())
        return false;
    m_position = position;
    return true;
}

bool Snapshot::moveFirst() {
    m_position = recordCount() > 0 ? 0 : -1;
    return hasCurrent();
}

bool Snapshot::moveLast() {
    m_position = recordCount() > 0 ? recordCount() - 1 : -1;
    return hasCurrent();
}

bool Snapshot::moveNext() {
    if (m_position < recordCount())
        ++m_position;
    return hasCurrent();
}

bool Snapshot::movePrevious() {
    if (m_position >= 0)
        --m_position;
    return hasCurrent();
}

bool Snapshot::move(qint64 rows) {
    const qint64 count = recordCount();
    if (count == 0)
        return false;
    // From BOF or EOF the move counts from that edge, without overflow for huge offsets.
    const qint64 from = qBound<qint64>(-1, m_position, count);
    if (rows > 0)
        m_position = rows >= count - from ? count : from + rows;
    else if (rows < 0)
        m_position = -rows >= from + 1 ? -1 : from + rows;
    return hasCurrent();
}

int Snapshot::fieldCount() const {
    return m_rows ? m_rows->columnCount() : 0;
}

QString Snapshot::fieldName(int field) const {
    if (field < 0 || field >= fieldCount())
        return {};
    return m_rows->column(field).name;
}

QString Snapshot::fieldQualifiedName(int field) const {
    if (field < 0 || field >= fieldCount())
        return {};
    const auto& column = m_rows->column(field);
    if (column.table.isEmpty())
        return column.name;
    return column.table + u'.' + column.origin;
}

int Snapshot::fieldIndex(QStringView name) const {
    const int n = fieldCount();
    // An alias that is the whole text wins ("Folders.Nom" may itself be an alias).
    int found = -1;
    for (int i = 0; i < n; ++i) {
        if (m_rows->column(i).name.compare(name, Qt::CaseInsensitive) == 0) {
            if (found >= 0)
                return -1; // ambiguous
            found = i;
        }
    }
    if (found >= 0)
        return found;
    QString table, field;
    if (!splitQualified(name, &table, &field))
        return -1;
    for (int i = 0; i < n; ++i) {
        const auto& column = m_rows->column(i);
        if (column.table.compare(table, Qt::CaseInsensitive) == 0 &&
            column.origin.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant Snapshot::value(int field) const {
    if (!hasCurrent() || field < 0 || field >= fieldCount())
        return QVariant();
    return m_rows->value(m_position, field);
}

QVariant Snapshot::value(QStringView name) const {
    return value(fieldIndex(name));
}

bool Snapshot::isNull(int field) const {
    if (!hasCurrent() || field < 0 || field >= fieldCount())
        return true;
    return m_rows->isNull(m_position, field);
}

QString Snapshot::text(int field) const {
    return value(field).toString();
}

bool Snapshot::findFirst(QStringView field, const QVariant& value, Qt::CaseSensitivity cs) {
    return findFrom(0, field, value, cs);
}

bool Snapshot::findNext(QStringView field, const QVariant& value, Qt::CaseSensitivity cs) {
    return findFrom(hasCurrent() ? m_position + 1 : (bof() ? 0 : recordCount()), field, value, cs);
}

bool Snapshot::findFrom(qint64 start, QStringView field, const QVariant& target, Qt::CaseSensitivity cs) {
    m_noMatch = true;
    const int index = fieldIndex(field);
    if (index < 0)
        return false;
    const qint64 count = recordCount();
    const bool wantNull = target.isNull();
    const bool numeric = isNumeric(target);
    const QString targetText = wantNull || numeric ? QString()
                               : target.metaType().id() == QMetaType::QDateTime
                                   ? DateToText(target.toDateTime())
                                   : target.toString();
    const QByteArray targetUtf8 = targetText.toUtf8();
    for (qint64 row = start; row < count; ++row) {
        bool match = false;
        if (wantNull) {
            match = m_rows->isNull(row, index);
        } else if (numeric) {
            const QVariant v = m_rows->value(row, index);
            match = !v.isNull() && isNumeric(v) && v.toDouble() == target.toDouble() &&
                    v.toLongLong() == target.toLongLong();
        } else {
            std::string_view bytes;
            if (m_rows->textBytes(row, index, &bytes)) {
                if (bytes.size() == static_cast<size_t>(targetUtf8.size()) &&
                    bytes.compare(0, bytes.size(), targetUtf8.constData(), bytes.size()) == 0)
                    match = true;
                else if (cs == Qt::CaseInsensitive)
                    match = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))
                                .compare(targetText, Qt::CaseInsensitive) == 0;
            }
        }
        if (match) {
            m_position = row;
            m_noMatch = false;
            return true;
        }
    }
    return false;
}

qint64 Snapshot::memoryUsage() const {
    return m_rows ? m_rows->memoryUsage() : 0;
}

} // namespace vambrel
