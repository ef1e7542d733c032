#include "Database.h"

#include "FileDescriptor.h"
#include "FileTime.h"
#include "ListExport.h"
#include "SortKey.h"
#include "SqliteStatement.h"
#include "SystemCalls.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vambrel {

namespace {

QString quoted(const QString& path) {
    return QStringLiteral("« %1 »").arg(path);
}

// The engine's own texts are English: the failures of the disk and of the system get French ones.
QString engineCause(int code) {
    switch (code & 0xff) {
    case SQLITE_IOERR:
        return QStringLiteral("erreur d'entrée-sortie");
    case SQLITE_CANTOPEN:
        return QStringLiteral("le fichier ne peut pas être ouvert");
    case SQLITE_NOMEM:
        return QStringLiteral("mémoire insuffisante");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("le fichier est verrouillé");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("accès refusé");
    default:
        return {};
    }
}

bool isNotADatabase(int code) {
    const int primary = code & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

} // namespace

Database::~Database() {
    close();
}

Database::Database(Database&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)), m_path(std::move(other.m_path)), m_readOnly(other.m_readOnly),
      m_kind(other.m_kind), m_error(std::move(other.m_error)) {}

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
        m_path = std::move(other.m_path);
        m_readOnly = other.m_readOnly;
        m_kind = other.m_kind;
        m_error = std::move(other.m_error);
    }
    return *this;
}

void Database::close() {
    if (m_db != nullptr) {
        // Statements are owned by their RAII holders; close_v2 defers until they are gone.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        // A journal that a failed commit or rollback left does not stay beside the file.
        if (!m_readOnly)
            settleJournal(m_path);
    }
}

bool Database::fail(const QString& what) const {
    const QString detail = m_db != nullptr ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
    const int code = m_db != nullptr ? sqlite3_extended_errcode(m_db) : SQLITE_ERROR;
    if (isNotADatabase(code))
        m_error = QStringLiteral("Le fichier %1 n'est pas un catalogue Vambrel ou il est endommagé.")
                      .arg(quoted(m_path));
    else if ((code & 0xff) == SQLITE_READONLY)
        m_error = QStringLiteral("%1 : le fichier %2 est ouvert en lecture seule.").arg(what, quoted(m_path));
    else if ((code & 0xff) == SQLITE_FULL)
        m_error = QStringLiteral("%1 : le disque est plein.").arg(what);
    else if (const QString cause = engineCause(code); !cause.isEmpty())
        m_error = QStringLiteral("%1 : %2.").arg(what, cause);
    else
        m_error = detail.isEmpty() ? what : QStringLiteral("%1 (%2)").arg(what, detail);
    return false;
}

bool Database::failWith(const QString& message) const {
    m_error = message;
    return false;
}

bool Database::create(const QString& path, DbKind kind, const QString& mask, const QDateTime& created) {
    close();
    m_path = path;
    m_kind = kind;
    m_readOnly = false;
    m_error.clear();
    if (path.isEmpty())
        return failWith(QStringLiteral("Aucun nom de fichier n'a été donné."));

    // O_EXCL makes the refusal of an existing name atomic: nothing at that path is ever touched.
    const QByteArray native = QFile::encodeName(path);
    const int fd = sys::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int err = errno;
        if (err == EEXIST)
            return failWith(QStringLiteral("Le fichier %1 existe déjà.").arg(quoted(path)));
        return failWith(QStringLiteral("Impossible de créer le fichier %1 : %2.")
                            .arg(quoted(path), ListExport::causeText(err)));
    }
    sys::close(fd);

    auto removeOnFailure = [&](bool ok) {
        if (!ok) {
            close();
            // A commit whose journal could not be deleted leaves that journal: it goes with its file.
            sys::unlink(native.constData());
            sys::unlink((native + "-journal").constData());
        }
        return ok;
    };

    // One connection serves one thread at a time: no per-call locking.
    if (sqlite3_open_v2(native.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        fail(QStringLiteral("Impossible de créer le fichier %1").arg(quoted(path)));
        return removeOnFailure(false);
    }
    if (!configure())
        return removeOnFailure(false);

    // One transaction, which does not wait for the disk: a new file is worth nothing until its
    // writer has filled it, and the jobs that create files flush them once they are complete.
    // Waiting for the disk here would hold a cancel up for as long as the disk is busy.
    const QString pragmas = QStringLiteral("PRAGMA application_id = %1; PRAGMA user_version = %2;")
                                .arg(Schema::kApplicationId)
                                .arg(Schema::kLayoutVersion);
    bool ok = exec(QStringLiteral("PRAGMA synchronous = OFF;")) && beginTransaction() && exec(pragmas) &&
              exec(Schema::createSql(kind));
    if (ok && kind == DbKind::Catalogue) {
        ok = createProperty(Schema::kVersionId, PropertyType::Text, Schema::kUndetermined) &&
             createProperty(Schema::kSource, PropertyType::Text, Schema::kUndetermined) &&
             createProperty(Schema::kOrigine, PropertyType::Text, Schema::kUndetermined) &&
             createProperty(Schema::kDateCreation, PropertyType::Date, created) &&
             createProperty(Schema::kMasque, PropertyType::Text, mask) &&
             createProperty(Schema::kDescription, PropertyType::Memo, Schema::kDefaultDescription);
    }
    ok = ok && commit() && exec(QStringLiteral("PRAGMA synchronous = FULL;"));
    return removeOnFailure(ok);
}

bool Database::settleJournal(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const QByteArray journal = native + "-journal";
    struct stat st {};
    if (sys::fstatat(AT_FDCWD, journal.constData(), &st, 0) != 0)
        return errno == ENOENT;
    if (st.st_size > 0) {
        // The engine puts the pages of an unfinished transaction back as soon as it reads the file.
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(native.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) ==
            SQLITE_OK)
            sqlite3_exec(db, "PRAGMA journal_mode = DELETE; SELECT count(*) FROM sqlite_schema", nullptr,
                         nullptr, nullptr);
        sqlite3_close_v2(db);
        if (sys::fstatat(AT_FDCWD, journal.constData(), &st, 0) != 0)
            return errno == ENOENT;
        // The engine takes a journal whose first byte is 0 as finished; anything else may still be
        // needed to make the file whole.
        char first = 1;
        const FileDescriptor fd(sys::open(journal.constData(), O_RDONLY | O_CLOEXEC));
        if (st.st_size > 0 && (!fd.isValid() || sys::read(fd.get(), &first, 1) != 1 || first != 0))
            return false;
    }
    // An empty or finished journal holds nothing to put back.
    return sys::unlink(journal.constData()) == 0;
}

bool Database::open(const QString& path, OpenMode mode, DbKind kind) {
    close();
    m_path = path;
    m_kind = kind;
    m_readOnly = mode == OpenMode::ReadOnly;
    m_error.clear();
    if (path.isEmpty())
        return failWith(QStringLiteral("Aucun nom de fichier n'a été donné."));

    const QByteArray native = QFile::encodeName(path);
    const int flags = (m_readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(native.constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const bool missing = ::access(native.constData(), F_OK) != 0;
        if (missing)
            failWith(QStringLiteral("Le fichier %1 est introuvable.").arg(quoted(path)));
        else
            fail(QStringLiteral("Impossible d'ouvrir le fichier %1").arg(quoted(path)));
        close();
        return false;
    }
    if (!configure() || !validate(kind)) {
        close();
        return false;
    }
    return true;
}

bool Database::configure() {
    sqlite3_extended_result_codes(m_db, 1);
    // Catalogues come from anywhere: never trust what their schema might run.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_busy_timeout(m_db, 5000);
    if (!registerSortKey(m_db))
        return fail(QStringLiteral("Impossible de préparer le tri des noms"));
    // A modest page cache: snapshots read each page about once, and keep their own copy of the rows.
    return exec(QStringLiteral("PRAGMA cache_size = -8192; PRAGMA threads = 2; PRAGMA temp_store = FILE;"));
}

bool Database::validate(DbKind kind) {
    for (const TableLayout& table : Schema::tables(kind)) {
        // Only a table will do: a view of that name is never read (views are off) and would fail
        // later with a cause that does not name the file.
        SqliteStatement info(
            m_db, QStringLiteral("SELECT p.name FROM sqlite_schema AS s, pragma_table_info(s.name) AS p "
                                 "WHERE s.type = 'table' AND s.name = ?1 COLLATE NOCASE"));
        if (!info.isValid())
            return fail(QStringLiteral("Impossible de lire le fichier %1").arg(quoted(m_path)));
        info.bindText(1, table.name);
        QStringList present;
        int rc;
        while ((rc = info.step()) == SQLITE_ROW)
            present << info.columnText(0);
        if (rc != SQLITE_DONE)
            return fail(QStringLiteral("Impossible de lire le fichier %1").arg(quoted(m_path)));
        if (present.isEmpty())
            return failWith(
                QStringLiteral("Le fichier %1 n'est pas un catalogue Vambrel : la table « %2 » manque.")
                    .arg(quoted(m_path), table.name));
        for (const QString& field : table.fields) {
            if (!present.contains(field, Qt::CaseInsensitive))
                return failWith(QStringLiteral("Le fichier %1 n'est pas un catalogue Vambrel : le champ « %2 "
                                               "» de la table « %3 » manque.")
                                    .arg(quoted(m_path), field, table.name));
        }
    }
    return true;
}

bool Database::exec(const QString& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK)
        return fail(QStringLiteral("Erreur d'écriture dans le fichier %1").arg(quoted(m_path)));
    return true;
}

bool Database::beginTransaction() {
    return exec(QStringLiteral("BEGIN"));
}
bool Database::commit() {
    return exec(QStringLiteral("COMMIT"));
}
bool Database::rollback() {
    return !inTransaction() || exec(QStringLiteral("ROLLBACK"));
}
bool Database::inTransaction() const {
    return m_db != nullptr && sqlite3_get_autocommit(m_db) == 0;
}

bool Database::hasPropertiesTable(bool* readable) const {
    *readable = false;
    SqliteStatement st(m_db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    if (!st.isValid())
        return false;
    st.bindText(1, Schema::kPropertiesTable);
    const int rc = st.step();
    *readable = rc == SQLITE_ROW || rc == SQLITE_DONE;
    return rc == SQLITE_ROW;
}

Result<std::optional<DbProperty>> Database::property(const QString& name) const {
    using R = Result<std::optional<DbProperty>>;
    if (m_db == nullptr)
        return R::failure(QStringLiteral("Aucun catalogue n'est ouvert."));
    // A schema that cannot be read is a failure, not a missing table: inside a transaction the
    // engine has rolled it back, and nothing must go on as if it were still open.
    bool readable = false;
    if (!hasPropertiesTable(&readable)) {
        if (!readable) {
            fail(QStringLiteral("Impossible de lire la propriété « %1 »").arg(name));
            return R::failure(m_error);
        }
        return std::optional<DbProperty>();
    }
    SqliteStatement st(
        m_db, QStringLiteral("SELECT Type, Value FROM %1 WHERE Name = ?1").arg(Schema::kPropertiesTable));
    if (!st.isValid()) {
        fail(QStringLiteral("Impossible de lire la propriété « %1 »").arg(name));
        return R::failure(m_error);
    }
    st.bindText(1, name);
    const int rc = st.step();
    if (rc == SQLITE_DONE)
        return std::optional<DbProperty>();
    if (rc != SQLITE_ROW) {
        fail(QStringLiteral("Impossible de lire la propriété « %1 »").arg(name));
        return R::failure(m_error);
    }
    DbProperty prop;
    prop.name = name;
    if (!propertyTypeFromName(st.columnText(0), &prop.type))
        return R::failure(QStringLiteral("La propriété « %1 » a un type inconnu.").arg(name));
    if (sqlite3_column_type(st.get(), 1) != SQLITE_NULL) {
        const QString text = st.columnText(1);
        if (prop.type == PropertyType::Date) {
            const QDateTime date = DateFromText(text);
            if (!date.isValid())
                return R::failure(QStringLiteral("La propriété « %1 » ne contient pas une date.").arg(name));
            prop.value = date;
        } else {
            prop.value = text;
        }
    }
    return std::optional<DbProperty>(std::move(prop));
}

Result<std::vector<DbProperty>> Database::properties() const {
    using R = Result<std::vector<DbProperty>>;
    std::vector<DbProperty> all;
    if (m_db == nullptr)
        return R::failure(QStringLiteral("Aucun catalogue n'est ouvert."));
    bool readable = false;
    if (!hasPropertiesTable(&readable)) {
        if (!readable) {
            fail(QStringLiteral("Impossible de lire les propriétés"));
            return R::failure(m_error);
        }
        return all;
    }
    SqliteStatement st(m_db,
                       QStringLiteral("SELECT Name FROM %1 ORDER BY rowid").arg(Schema::kPropertiesTable));
    if (!st.isValid()) {
        fail(QStringLiteral("Impossible de lire les propriétés"));
        return R::failure(m_error);
    }
    QStringList names;
    int rc;
    while ((rc = st.step()) == SQLITE_ROW)
        names << st.columnText(0);
    if (rc != SQLITE_DONE) {
        fail(QStringLiteral("Impossible de lire les propriétés"));
        return R::failure(m_error);
    }
    for (const QString& name : names) {
        auto one = property(name);
        if (!one)
            return R::failure(one.error());
        if (one.value())
            all.push_back(*one.value());
    }
    return all;
}

QString Database::propertyValueText(PropertyType type, const QVariant& value, bool* ok) const {
    *ok = true;
    if (value.isNull())
        return {};
    if (type != PropertyType::Date)
        return value.toString();
    QDateTime date =
        value.metaType().id() == QMetaType::QDateTime ? value.toDateTime() : DateFromText(value.toString());
    if (!date.isValid()) {
        *ok = false;
        return {};
    }
    return DateToText(date);
}

bool Database::createProperty(const QString& name, PropertyType type, const QVariant& value) {
    if (m_db == nullptr)
        return failWith(QStringLiteral("Aucun catalogue n'est ouvert."));
    bool ok = false;
    const QString text = propertyValueText(type, value, &ok);
    if (!ok)
        return failWith(QStringLiteral("La valeur de la propriété « %1 » n'est pas une date.").arg(name));
    bool readable = false;
    if (!hasPropertiesTable(&readable)) {
        if (!readable)
            return fail(QStringLiteral("Impossible de créer la propriété « %1 »").arg(name));
        if (!exec(Schema::propertiesTableSql()))
            return false;
    }
    auto existing = property(name);
    if (!existing)
        return failWith(existing.error());
    if (existing.value())
        return failWith(QStringLiteral("La propriété « %1 » existe déjà.").arg(name));
    SqliteStatement st(m_db, QStringLiteral("INSERT INTO %1 (Name, Type, Value) VALUES (?1, ?2, ?3)")
                                 .arg(Schema::kPropertiesTable));
    if (!st.isValid())
        return fail(QStringLiteral("Impossible de créer la propriété « %1 »").arg(name));
    st.bindText(1, name);
    st.bindText(2, propertyTypeName(type));
    if (value.isNull())
        st.bindNull(3);
    else
        st.bindText(3, text);
    if (st.step() != SQLITE_DONE)
        return fail(QStringLiteral("Impossible de créer la propriété « %1 »").arg(name));
    return true;
}

bool Database::setProperty(const QString& name, const QVariant& value) {
    auto existing = property(name);
    if (!existing)
        return failWith(existing.error());
    if (!existing.value())
        return failWith(QStringLiteral("La propriété « %1 » n'existe pas.").arg(name));
    bool ok = false;
    const QString text = propertyValueText(existing.value()->type, value, &ok);
    if (!ok)
        return failWith(QStringLiteral("La valeur de la propriété « %1 » n'est pas une date.").arg(name));
    SqliteStatement st(
        m_db, QStringLiteral("UPDATE %1 SET Value = ?2 WHERE Name = ?1").arg(Schema::kPropertiesTable));
    if (!st.isValid())
        return fail(QStringLiteral("Impossible de modifier la propriété « %1 »").arg(name));
    st.bindText(1, name);
    if (value.isNull())
        st.bindNull(2);
    else
        st.bindText(2, text);
    if (st.step() != SQLITE_DONE)
        return fail(QStringLiteral("Impossible de modifier la propriété « %1 »").arg(name));
    return true;
}

} // namespace vambrel
