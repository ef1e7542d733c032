#include "TypeNames.h"

#include <QLocale>
#include <QMimeDatabase>
#include <QMimeType>
#include <mutex>

namespace vambrel {

void UseFrenchTexts() {
    static std::once_flag once;
    std::call_once(once, [] { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); });
}

TypeNames::TypeNames() {
    UseFrenchTexts();
}

QString TypeNames::typeOf(QStringView fileName) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot < 0 || dot + 1 == fileName.size())
        return QStringLiteral("Fichier");
    const QString extension = fileName.mid(dot + 1).toString().toLower();
    const auto found = m_cache.constFind(extension);
    if (found != m_cache.constEnd())
        return found.value();
    const QString name = lookUp(extension);
    m_cache.insert(extension, name);
    return name;
}

QString TypeNames::lookUp(const QString& extension) const {
    // By a made-up name with this extension only: nothing on disk is opened, and whole-name
    // rules (such as "Makefile") never answer for an extension.
    static const QMimeDatabase database;
    const QMimeType type =
        database.mimeTypeForFile(QStringLiteral("x.") + extension, QMimeDatabase::MatchExtension);
    QString comment = type.isValid() && !type.isDefault() ? type.comment() : QString();
    if (comment.isEmpty())
        return QStringLiteral("Fichier ") + extension.toUpper();
    comment[0] = comment.at(0).toUpper();
    return comment;
}

} // namespace vambrel
