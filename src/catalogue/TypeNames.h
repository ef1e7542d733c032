#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vambrel {

// Makes French the default locale of the process, so that texts Qt takes from the system's
// data (MIME descriptions) come in French whatever the machine's locale. The server and the
// program call it at start, before any other thread runs; TypeNames calls it too (once).
void UseFrenchTexts();

// The shell's type name of a bare file name, without touching the disk: the French
// description of the MIME type of its extension, first letter capitalised; "Fichier XYZ" for
// an unknown extension "xyz"; "Fichier" for a name without extension (or ending in a dot).
// Results are cached per extension, case-insensitively. Not thread-safe: one per thread.
class TypeNames {
public:
    TypeNames();
    QString typeOf(QStringView fileName);
    // typeOf() of a name given in UTF-8, in UTF-8: the form a catalogue stores, with no
    // conversion once the extension has been seen. Valid until the next call.
    const QByteArray& typeOfUtf8(std::string_view fileName);

private:
    QString lookUp(const QString& extension) const;

    QHash<QString, QString> m_cache;                         // lower-case extension -> type name
    std::unordered_map<std::string, QByteArray> m_utf8Cache; // extension as spelt -> UTF-8 type name
    std::string m_key;
    QByteArray m_noExtension;
};

} // namespace vambrel
