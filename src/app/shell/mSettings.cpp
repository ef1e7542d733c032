#include "mSettings.h"

#include <QSettings>
#include <QStringList>

namespace vambrel {

namespace {

// A section or key is one level of the store: a separator inside it would open another level.
bool validName(QStringView name) {
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\');
}

QString settingPath(QStringView section, QStringView key) {
    return section.toString() + QLatin1Char('/') + key.toString();
}

} // namespace

QString GetSetting(QStringView appName, QStringView section, QStringView key, const QString& defaultValue) {
    if (appName.isEmpty() || !validName(section) || !validName(key))
        return defaultValue;
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, appName.toString());
    const QVariant value = settings.value(settingPath(section, key));
    if (!value.isValid())
        return defaultValue;
    // A hand-edited value with unquoted commas reads back as a list: keep its text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool SaveSetting(QStringView appName, QStringView section, QStringView key, const QString& text) {
    if (appName.isEmpty() || !validName(section) || !validName(key))
        return false;
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, appName.toString());
    if (!settings.isWritable())
        return false;
    settings.setValue(settingPath(section, key), text);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString BoolToSettingText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

bool SettingTextToBool(QStringView text, bool defaultValue) {
    const QStringView trimmed = text.trimmed();
    if (trimmed.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = trimmed.toDouble(&ok);
    return ok ? number != 0 : defaultValue;
}

} // namespace vambrel
