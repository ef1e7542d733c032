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

const QByteArray& TypeNames::typeOfUtf8(std::string_view fileName) {
    // '.' is never part of a longer UTF-8 sequence: the last one splits the text as typeOf() does.
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == fileName.size()) {
        if (m_noExtension.isEmpty())
            m_noExtension = typeOf(QStringView()).toUtf8();
        return m_noExtension;
    }
    m_key.assign(fileName.substr(dot + 1));
    auto found = m_utf8Cache.find(m_key);
    if (found == m_utf8Cache.end()) {
        const QString name = QStringLiteral("x.") + QString::fromUtf8(m_key.data(), qsizetype(m_key.size()));
        found = m_utf8Cache.emplace(m_key, typeOf(name).toUtf8()).first;
    }
    return found->second;
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
