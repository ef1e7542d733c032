#include "VersionListing.h"

namespace vambrel {

namespace {
void line(QString& out, const char* label, const QString& value) {
    out +=
        QStringLiteral("  ") + QString::fromUtf8(label) + QStringLiteral(" : ") + value + QLatin1Char('\n');
}
} // namespace

QString VersionListing::render(const QString& fileName, const VersionInfo& info) {
    // Either half that could not be read prints empty, as the window shows it.
    const VersionStrings s = info.hasStrings ? info.strings : VersionStrings{};
    const VersionFixed f = info.hasFixed ? info.fixed : VersionFixed{};
    QString out = QStringLiteral("Fichier : ") + fileName + QLatin1Char('\n');
    out += QStringLiteral("Informations de version\n");
    line(out, "Organisation", s.companyName);
    line(out, "Description", s.fileDescription);
    line(out, "Version", s.fileVersion);
    line(out, "Nom interne", s.internalName);
    line(out, "Copyright", s.legalCopyright);
    line(out, "Nom d'origine", s.originalFilename);
    line(out, "Nom du produit", s.productName);
    line(out, "Version du produit", s.productVersion);
    out += QStringLiteral("Informations sur le fichier\n");
    line(out, "Version du fichier", f.fileVersion);
    line(out, "Version du produit", f.productVersion);
    line(out, "Conçu pour", f.os);
    line(out, "Type de fichier", f.fileType);
    // The window shows these two without a caption; the catalogue's field names serve here.
    line(out, "Sous-type", f.subtype);
    line(out, "Attribut", f.attributes);
    return out;
}

} // namespace vambrel
