#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace vambrel {

// The Origine of a catalogue whose start folders are drives.
inline const QString kWholeComputerOrigin = QStringLiteral("Poste de travail");

// What a catalogue file holds: a full catalogue, or the reduced new-files list.
enum class DbKind { Catalogue, NewFilesList };

// Types of the database properties, as the catalogue format names them.
enum class PropertyType { Text, Date, Memo };

QString propertyTypeName(PropertyType type);
bool propertyTypeFromName(const QString& name, PropertyType* type);

struct TableLayout {
    QString name;
    QStringList fields; // in their order in the file
};

namespace Schema {

inline constexpr int kApplicationId = 0x56424D4C; // "VBML", recognises our files in other tools
inline constexpr int kLayoutVersion = 1;          // physical layout of the SQLite file

// Table holding the database properties, in creation order.
inline const QString kPropertiesTable = QStringLiteral("Properties");

// Tables and their fields for one kind of file, in creation order.
std::vector<TableLayout> tables(DbKind kind);

// The complete DDL for one kind of file (tables and indexes, no properties).
QString createSql(DbKind kind);
// The DDL of the properties table alone (part of createSql for a catalogue).
QString propertiesTableSql();

// Properties of a new catalogue, in creation order, with their initial texts (the date apart).
inline const QString kVersionId = QStringLiteral("VersionID");
inline const QString kSource = QStringLiteral("Source");
inline const QString kOrigine = QStringLiteral("Origine");
inline const QString kDateCreation = QStringLiteral("DateCréation");
inline const QString kMasque = QStringLiteral("Masque");
inline const QString kDescription = QStringLiteral("Description");
inline const QString kUndetermined = QStringLiteral("Indéterminée");
inline const QString kDefaultDescription = QStringLiteral("Ajoutez une description à ce fichier Vambrel");

// The format version that a build writes into VersionID: "major.minor.revision".
QString formatVersion();

} // namespace Schema
} // namespace vambrel
