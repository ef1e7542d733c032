#pragma once

#include <QString>
#include <QStringView>

namespace vambrel {

// The application name under which every setting of the program is kept.
inline constexpr QStringView kAppName = u"Quorvat App Vambrel";
inline constexpr QStringView kSectionStartUp = u"StartUp";
inline constexpr QStringView kSectionApercu = u"Aperçu";
inline constexpr QStringView kSectionMru = u"MRU";
inline constexpr QStringView kKeyAffichage = u"Affichage";

// The text stored under appName, section and key in the user's configuration folder;
// defaultValue when it is missing, or when section or key is empty.
QString GetSetting(QStringView appName, QStringView section, QStringView key,
                   const QString& defaultValue = {});
// Stores text under appName, section and key; false when nothing could be written.
bool SaveSetting(QStringView appName, QStringView section, QStringView key, const QString& text);

// The text form of a boolean setting ("True" or "False").
QString BoolToSettingText(bool value);
// Reads "True"/"False" in any case and numbers ("0" is false, other numbers true);
// defaultValue for any other text.
bool SettingTextToBool(QStringView text, bool defaultValue = false);

} // namespace vambrel
