#pragma once

// Catalogues for the tests, made with the access layer in a temporary folder.

#include "CatalogueWriter.h"
#include "Database.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

namespace vambrel::test {

struct Folder {
    qint32 num;
    QString nom;
};

enum class Format { Current, Earlier, NoOrigine };

inline FileRow file(qint64 numId, qint32 num, const QString& nom, qint64 taille = 0,
                    const QString& type = QStringLiteral("Fichier"),
                    const QDateTime& modifie = QDateTime(QDate(2020, 5, 17), QTime(10, 30, 0))) {
    FileRow row;
    row.numId = numId;
    row.num = num;
    row.nom = nom;
    row.taille = taille;
    row.modifie = modifie;
    row.type = type;
    return row;
}

inline bool makeCatalogue(const QString& path, const QString& origin, const QString& source,
                          const QList<Folder>& folders, const QList<FileRow>& files,
                          Format format = Format::Current) {
    Database db;
    if (!db.create(path, DbKind::Catalogue, QStringLiteral("*.*"),
                   QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7))))
        return false;
    if (!db.setProperty(Schema::kVersionId, Schema::formatVersion()) ||
        !db.setProperty(Schema::kSource, source) || !db.setProperty(Schema::kOrigine, origin))
        return false;
    {
        CatalogueWriter writer(db);
        for (const Folder& f : folders)
            if (!writer.addFolder(f.num, f.nom))
                return false;
        for (const FileRow& row : files)
            if (!writer.addFile(row))
                return false;
        if (!writer.commit())
            return false;
    }
    switch (format) {
    case Format::Current:
        return true;
    case Format::Earlier:
        return db.exec(QStringLiteral("DELETE FROM Properties WHERE Name IN ('VersionID', 'Source')"));
    case Format::NoOrigine:
        return db.exec(QStringLiteral("DELETE FROM Properties WHERE Name = 'Origine'"));
    }
    return false;
}

// A catalogue of /data/ holding `count` files in folder 0, named f000.txt upward, sizes descending.
inline bool makeFlatCatalogue(const QString& path, int count) {
    QList<FileRow> files;
    for (int i = 0; i < count; ++i)
        files << file(i, 0, QStringLiteral("f%1.txt").arg(i, 3, 10, QLatin1Char('0')), 1000 - i);
    return makeCatalogue(path, QStringLiteral("/"), QStringLiteral("/data"), {{0, QStringLiteral("/data")}},
                         files);
}

} // namespace vambrel::test
