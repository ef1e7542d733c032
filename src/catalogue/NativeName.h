#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <string>

namespace vambrel {

// File names are bytes on this system and text in catalogues. Valid UTF-8 decodes as usual;
// every byte that is not part of a valid sequence becomes the private-use code point
// U+F700 + byte (U+F780..U+F7FF). A name that really holds one of those code points has its
// UTF-8 bytes escaped the same way, one by one, so that NameToNative(NameFromNative(b)) == b
// for every byte string b. The reverse holds for the texts that NameFromNative gives.
inline constexpr char16_t kEscapedByteFirst = u'\xF780';
inline constexpr char16_t kEscapedByteLast = u'\xF7FF';

QString NameFromNative(const char* bytes, std::size_t length);
QByteArray NameToNative(const QString& name);

// The same rule for whole paths (the separator is plain ASCII).
QString PathFromNative(const QByteArray& bytes);
QByteArray PathToNative(const QString& path);

// Decodes into an existing text, reusing its storage: the lister's per-entry form.
void NameFromNativeInto(QString& out, const char* bytes, std::size_t length);

// The UTF-8 form of NameFromNative(bytes), the text a catalogue stores, appended to `out` without
// a detour through QString: the bytes themselves when they are valid UTF-8 outside the escape
// range, which is nearly always.
void NativeToStoredUtf8(const char* bytes, std::size_t length, std::string& out);

// The readable form of a name for windows: every escaped byte shown as "\xNN" (capitals).
QString DisplayName(const QString& name);

} // namespace vambrel
