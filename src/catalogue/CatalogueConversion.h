#pragma once

#include "Database.h"

#include <QString>

namespace vambrel {

// Brings a catalogue of the earlier format (no "VersionID", no "Source") up to the current one, in
// place. No dialog: the caller tells the user.
class CatalogueConversion {
public:
    // True when the catalogue lacks "VersionID" (an empty value counts as missing).
    static bool needsConversion(const Database& db);

    // The recorded root: for a catalogue of one folder the shortest folder path; for a catalogue of
    // the whole computer the drives (the folders without a recorded parent, "/" first) joined by ":".
    // Fails on a catalogue without folders.
    static Result<QString> sourceOf(const Database& db);

    // Appends "VersionID" and "Source" with the placeholder, then gives them their values, in one
    // transaction: a failure leaves the file as it was. db must be open read-write.
    static bool convert(Database& db, const QString& programVersion, QString* error);
};

} // namespace vambrel
