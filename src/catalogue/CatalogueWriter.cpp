#include "CatalogueWriter.h"

#include "FileTime.h"

namespace vambrel {

CatalogueWriter::CatalogueWriter(Database& db, int batchSize) : m_db(db), m_batchSize(qMax(1, batchSize)) {
    if (!db.isOpen() || db.isReadOnly()) {
        db.failWith(QStringLiteral("Le catalogue n'est pas ouvert en écriture."));
        return;
    }
    // Commits do not wait for the disk: a crash of the program is still rolled back by the journal,
    // and only a power cut during the writing could harm the file being written.
    // Rows go in in order: the pages a writer comes back to are the last of each table and index,
    // and the folders' index by name. A small cache holds them; a large one only costs memory.
    db.exec(QStringLiteral(
        "PRAGMA synchronous = OFF; PRAGMA journal_mode = TRUNCATE; PRAGMA cache_size = -2048;"));
    sqlite3* h = db.handle();
    m_folder = SqliteStatement(h, "INSERT INTO Folders (Nom, Num) VALUES (?1, ?2)");
    if (db.kind() == DbKind::NewFilesList) {
        m_file = SqliteStatement(h, "INSERT INTO Files (NumId, Num, Nom) VALUES (?1, ?2, ?3)");
        m_valid = m_folder.isValid() && m_file.isValid();
    } else {
        m_file = SqliteStatement(h, "INSERT INTO Files (NumId, Num, Nom, Taille, \"Modifié\", Type) "
                                    "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        m_version =
            SqliteStatement(h, "INSERT INTO Version (NumId, Organisation, Description, Version, "
                               "\"Nom interne\", Copyright, \"Nom d'origine\", \"Nom du produit\", "
                               "\"Version du produit\", \"Version du fichier\", \"Produit Version\", OS, "
                               "Type, \"Sous-type\", Attribut) "
                               "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)");
        m_valid = m_folder.isValid() && m_file.isValid() && m_version.isValid();
    }
    if (!m_valid)
        db.fail(QStringLiteral("Impossible de préparer l'écriture du catalogue"));
}

CatalogueWriter::~CatalogueWriter() {
    if (m_pending > 0 || m_db.inTransaction())
        m_db.rollback();
    // Back to the default journal, which deletes the empty journal file that TRUNCATE keeps: a
    // finished catalogue is one file.
    if (m_db.isOpen() && !m_db.isReadOnly())
        m_db.exec(QStringLiteral("PRAGMA synchronous = FULL; PRAGMA journal_mode = DELETE;"));
}

bool CatalogueWriter::begin() {
    if (m_db.inTransaction())
        return true;
    return m_db.beginTransaction();
}

bool CatalogueWriter::finishRow(SqliteStatement& st, const char* what, const QString& subject) {
    const int rc = st.step();
    st.reset();
    if (rc != SQLITE_DONE)
        return m_db.fail(QString::fromUtf8(what).arg(subject));
    if (++m_pending >= m_batchSize)
        return commit();
    return true;
}

bool CatalogueWriter::addFolder(qint32 num, const QString& nom) {
    if (!m_valid || !begin())
        return false;
    m_folder.bindText(1, nom);
    m_folder.bindInt(2, num);
    return finishRow(m_folder, "Impossible d'enregistrer le dossier « %1 »", nom);
}

bool CatalogueWriter::addFile(const FileRow& row) {
    if (m_db.kind() == DbKind::NewFilesList)
        return addNewFile(row.numId, row.num, row.nom);
    if (!m_valid || !begin())
        return false;
    m_file.bindInt(1, row.numId);
    m_file.bindInt(2, row.num);
    m_file.bindText(3, row.nom);
    m_file.bindInt(4, row.taille);
    if (row.modifie.isValid())
        m_file.bindText(5, DateToText(row.modifie));
    else
        m_file.bindNull(5);
    m_file.bindTextOrNull(6, row.type);
    return finishRow(m_file, "Impossible d'enregistrer le fichier « %1 »", row.nom);
}

bool CatalogueWriter::addFileUtf8(qint64 numId, qint32 num, std::string_view nom, qint64 taille,
                                  std::string_view modifie, std::string_view type) {
    if (!m_valid || !begin())
        return false;
    m_file.bindInt(1, numId);
    m_file.bindInt(2, num);
    m_file.bindUtf8(3, nom);
    m_file.bindInt(4, taille);
    if (modifie.empty())
        m_file.bindNull(5);
    else
        m_file.bindUtf8(5, modifie);
    m_file.bindUtf8(6, type);
    const int rc = m_file.step();
    m_file.reset();
    if (rc != SQLITE_DONE)
        return m_db.fail(QStringLiteral("Impossible d'enregistrer le fichier « %1 »")
                             .arg(QString::fromUtf8(nom.data(), qsizetype(nom.size()))));
    if (++m_pending >= m_batchSize)
        return commit();
    return true;
}

bool CatalogueWriter::addNewFile(qint64 numId, qint32 num, const QString& nom) {
    if (!m_valid || !begin())
        return false;
    m_file.bindInt(1, numId);
    m_file.bindInt(2, num);
    m_file.bindText(3, nom);
    return finishRow(m_file, "Impossible d'enregistrer le fichier « %1 »", nom);
}

bool CatalogueWriter::addVersion(qint64 numId, const VersionStrings* strings, const VersionFixed* fixed) {
    if (!m_valid || !m_version.isValid() || !begin())
        return m_db.failWith(QStringLiteral("Ce fichier ne contient pas de table Version."));
    m_version.bindInt(1, numId);
    if (strings != nullptr) {
        const QString* values[] = {&strings->companyName,    &strings->fileDescription,
                                   &strings->fileVersion,    &strings->internalName,
                                   &strings->legalCopyright, &strings->originalFilename,
                                   &strings->productName,    &strings->productVersion};
        for (int i = 0; i < 8; ++i)
            m_version.bindText(2 + i, *values[i]);
    }
    if (fixed != nullptr) {
        const QString* values[] = {&fixed->fileVersion, &fixed->productVersion, &fixed->os,
                                   &fixed->fileType,    &fixed->subtype,        &fixed->attributes};
        for (int i = 0; i < 6; ++i)
            m_version.bindText(10 + i, *values[i]);
    }
    return finishRow(m_version, "Impossible d'enregistrer la version du fichier n° %1",
                     QString::number(numId));
}

bool CatalogueWriter::commit() {
    if (!m_db.inTransaction()) {
        m_pending = 0;
        return true;
    }
    m_pending = 0;
    return m_db.commit();
}

bool SetDescription(Database& db, const QString& text, QString* error) {
    const auto existing = db.property(Schema::kDescription);
    const bool ok = existing.ok() &&
                    (existing.value() ? db.setProperty(Schema::kDescription, text)
                                      : db.createProperty(Schema::kDescription, PropertyType::Memo, text));
    if (!ok && error)
        *error = existing.ok() ? db.lastError() : existing.error();
    return ok;
}

} // namespace vambrel
