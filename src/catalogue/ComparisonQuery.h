#pragma once

#include "Database.h"
#include "Result.h"
#include "Snapshot.h"

namespace vambrel {

// The comparison rows of a catalogue: every file with its folder and product version, ordered by
// folder path then file name. The check job and the comparison window both open it through
// OpenComparisonQuery, so that a position means the same row on both sides.
// Fields: NumId, Files.Nom, Taille, Modifié, Folders.Nom, Produit Version.
QString ComparisonQuerySql();
QList<SortColumn> ComparisonQueryOrder();
// A `stop` set while it reads or sorts ends it early with a failure.
Result<Snapshot> OpenComparisonQuery(const Database& db, const StopFlag* stop = nullptr);
// The number of comparison rows, counted by the database without reading them.
Result<qint64> ComparisonQueryCount(const Database& db);

// "Fichier" of the current row: its folder and name joined into the full path.
QString ComparisonPath(const Snapshot& rows);

} // namespace vambrel
