#include "CatalogueSchema.h"

namespace vambrel {

QString propertyTypeName(PropertyType type) {
    switch (type) {
    case PropertyType::Text:
        return QStringLiteral("Text");
    case PropertyType::Date:
        return QStringLiteral("Date");
    case PropertyType::Memo:
        return QStringLiteral("Memo");
    }
    return {};
}

bool propertyTypeFromName(const QString& name, PropertyType* type) {
    for (PropertyType t : {PropertyType::Text, PropertyType::Date, PropertyType::Memo}) {
        if (name == propertyTypeName(t)) {
            *type = t;
            return true;
        }
    }
    return false;
}

namespace Schema {

namespace {

// Types are enforced by the typed writer; per-row type checks would halve the insert rate.
QString integerField(const char* name) {
    return QStringLiteral("\"%1\" INTEGER").arg(QLatin1String(name));
}

// A text field that refuses zero-length strings (Null is still accepted unless required).
QString nonEmptyText(const QString& name, bool required = false) {
    return QStringLiteral("\"%1\" TEXT%2 CHECK (\"%1\" <> '')")
        .arg(name, required ? QStringLiteral(" NOT NULL") : QString());
}

QString foldersSql() {
    return QStringLiteral("CREATE TABLE Folders (\n    %1,\n    %2\n);\n"
                          "CREATE UNIQUE INDEX Folders_Nom ON Folders (Nom);\n"
                          "CREATE UNIQUE INDEX Folders_Num ON Folders (Num);\n")
        .arg(nonEmptyText(QStringLiteral("Nom"), true), integerField("Num"));
}

} // namespace

std::vector<TableLayout> tables(DbKind kind) {
    std::vector<TableLayout> result;
    result.push_back({QStringLiteral("Folders"), {QStringLiteral("Nom"), QStringLiteral("Num")}});
    if (kind == DbKind::NewFilesList) {
        result.push_back({QStringLiteral("Files"),
                          {QStringLiteral("NumId"), QStringLiteral("Num"), QStringLiteral("Nom")}});
        return result;
    }
    result.push_back({QStringLiteral("Files"),
                      {QStringLiteral("NumId"), QStringLiteral("Num"), QStringLiteral("Nom"),
                       QStringLiteral("Taille"), QStringLiteral("Modifié"), QStringLiteral("Type")}});
    result.push_back({QStringLiteral("Version"),
                      {QStringLiteral("NumId"), QStringLiteral("Organisation"), QStringLiteral("Description"),
                       QStringLiteral("Version"), QStringLiteral("Nom interne"), QStringLiteral("Copyright"),
                       QStringLiteral("Nom d'origine"), QStringLiteral("Nom du produit"),
                       QStringLiteral("Version du produit"), QStringLiteral("Version du fichier"),
                       QStringLiteral("Produit Version"), QStringLiteral("OS"), QStringLiteral("Type"),
                       QStringLiteral("Sous-type"), QStringLiteral("Attribut")}});
    return result;
}

QString createSql(DbKind kind) {
    QString sql = foldersSql();
    if (kind == DbKind::NewFilesList) {
        sql += QStringLiteral("CREATE TABLE Files (\n    %1,\n    %2,\n    %3\n);\n")
                   .arg(integerField("NumId"), integerField("Num"), nonEmptyText(QStringLiteral("Nom")));
        sql += QStringLiteral("CREATE INDEX Files_Num ON Files (Num);\n");
        return sql;
    }
    // Dates are text "YYYY-MM-DD HH:MM:SS", local time, so that they sort right and read well anywhere.
    // Dates are text "YYYY-MM-DD HH:MM:SS", local time, so that they sort right and read well anywhere.
    sql += QStringLiteral("CREATE TABLE Files (\n    %1,\n    %2,\n    %3,\n    %4,\n"
                          "    \"Modifié\" TEXT,\n    %5\n);\n")
               .arg(integerField("NumId"), integerField("Num"), nonEmptyText(QStringLiteral("Nom")),
                    integerField("Taille"), nonEmptyText(QStringLiteral("Type")));
    sql += QStringLiteral("CREATE INDEX Files_Num ON Files (Num);\n");
    // Every text field of Version accepts zero-length strings; Attribut is the long (memo) one.
    QString version = QStringLiteral("CREATE TABLE Version (\n    %1").arg(integerField("NumId"));
    const TableLayout layout = tables(kind).back();
    for (qsizetype i = 1; i < layout.fields.size(); ++i)
        version += QStringLiteral(",\n    \"%1\" TEXT")
                       .arg(QString(layout.fields[i]).replace(u'"', QStringLiteral("\"\"")));
    version += QStringLiteral("\n);\nCREATE INDEX Version_NumId ON Version (NumId);\n");
    sql += version;
    sql += propertiesTableSql();
    return sql;
}

QString propertiesTableSql() {
    return QStringLiteral(
               "CREATE TABLE %1 (\n    Name TEXT NOT NULL UNIQUE,\n"
               "    Type TEXT NOT NULL CHECK (Type IN ('Text', 'Date', 'Memo')),\n    Value TEXT\n);\n")
        .arg(kPropertiesTable);
}

QString formatVersion() {
    return QStringLiteral("%1.%2.%3")
        .arg(VAMBREL_VERSION_MAJOR)
        .arg(VAMBREL_VERSION_MINOR)
        .arg(VAMBREL_VERSION_PATCH);
}

} // namespace Schema
} // namespace vambrel
