#pragma once

#include <QString>

namespace vambrel {

// The eight string values of a version resource, in the order they are read and stored.
// Every field is empty when absent.
struct VersionStrings {
    QString companyName;      // "CompanyName"      -> Version.Organisation
    QString fileDescription;  // "FileDescription"  -> Version.Description
    QString fileVersion;      // "FileVersion"      -> Version.Version
    QString internalName;     // "InternalName"     -> Version.[Nom interne]
    QString legalCopyright;   // "LegalCopyright"   -> Version.Copyright
    QString originalFilename; // "OriginalFileName" -> Version.[Nom d'origine]
    QString productName;      // "ProductName"      -> Version.[Nom du produit]
    QString productVersion;   // "ProductVersion"   -> Version.[Version du produit]

    bool operator==(const VersionStrings&) const = default;
};

// The fixed information of a version resource rendered as French texts.
struct VersionFixed {
    QString structVersion;  // "hi.lo" of the structure version
    QString fileVersion;    // four signed 16-bit words joined by "."
    QString productVersion; // likewise
    QString attributes;     // flag texts joined by " - "
    QString os;
    QString fileType;
    QString subtype;

    bool operator==(const VersionFixed&) const = default;
};

// Both halves of one file's version resource, from a single read of the file.
struct VersionInfo {
    bool hasStrings = false; // the string values were read (first translation found)
    bool hasFixed = false;   // the fixed information was read
    VersionStrings strings;
    VersionFixed fixed;
};

} // namespace vambrel
