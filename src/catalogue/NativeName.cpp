#include "NativeName.h"

namespace vambrel {

namespace {

constexpr char16_t kEscapeBase = 0xF700;

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence at bytes[0], 0 when it is not one. Overlong forms,
// surrogates and code points past U+10FFFF are not valid.
std::size_t validSequence(const unsigned char* bytes, std::size_t left, char32_t& code) {
    const unsigned char lead = bytes[0];
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (left < length || bytes[1] < low || bytes[1] > high)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!isContinuation(bytes[i]))
            return 0;
        code = (code << 6) | (bytes[i] & 0x3F);
    }
    return length;
}

void appendUtf8(QByteArray& out, char32_t code) {
    if (code < 0x80) {
        out.append(static_cast<char>(code));
    } else if (code < 0x800) {
        out.append(static_cast<char>(0xC0 | (code >> 6)));
        out.append(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.append(static_cast<char>(0xE0 | (code >> 12)));
        out.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.append(static_cast<char>(0xF0 | (code >> 18)));
        out.append(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

} // namespace

void NameFromNativeInto(QString& out, const char* bytes, std::size_t length) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes);
    // Most names are ASCII: one pass, no decoding.
    std::size_t ascii = 0;
    while (ascii < length && data[ascii] < 0x80)
        ++ascii;
    out.resize(static_cast<qsizetype>(ascii));
    QChar* write = out.data();
    for (std::size_t i = 0; i < ascii; ++i)
        write[i] = QChar(static_cast<char16_t>(data[i]));
    if (ascii == length)
        return;
    out.reserve(static_cast<qsizetype>(length));
    std::size_t i = ascii;
    while (i < length) {
        const unsigned char byte = data[i];
        if (byte < 0x80) {
            out.append(QChar(static_cast<char16_t>(byte)));
            ++i;
            continue;
        }
        char32_t code = 0;
        const std::size_t sequence = validSequence(data + i, length - i, code);
        if (sequence == 0 || (code >= kEscapedByteFirst && code <= kEscapedByteLast)) {
            // Not text, or text that would read as an escape: keep the bytes one by one.
            const std::size_t count = sequence == 0 ? 1 : sequence;
            for (std::size_t k = 0; k < count; ++k)
                out.append(QChar(static_cast<char16_t>(kEscapeBase + data[i + k])));
            i += count;
            continue;
        }
        if (code >= 0x10000) {
            out.append(QChar(QChar::highSurrogate(code)));
            out.append(QChar(QChar::lowSurrogate(code)));
        } else {
            out.append(QChar(static_cast<char16_t>(code)));
        }
        i += sequence;
    }
}

void NativeToStoredUtf8(const char* bytes, std::size_t length, std::string& out) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t i = 0;
    while (i < length) {
        // Runs of ASCII and of valid sequences are copied as they are.
        std::size_t end = i;
        while (end < length) {
            if (data[end] < 0x80) {
                ++end;
                continue;
            }
            char32_t code = 0;
            const std::size_t sequence = validSequence(data + end, length - end, code);
            if (sequence == 0 || (code >= kEscapedByteFirst && code <= kEscapedByteLast))
                break;
            end += sequence;
        }
        out.append(bytes + i, end - i);
        if (end == length)
            return;
        // What NameFromNative escapes: each byte of it as its own code point.
        char32_t code = 0;
        const std::size_t sequence = validSequence(data + end, length - end, code);
        const std::size_t count = sequence == 0 ? 1 : sequence;
        for (std::size_t k = 0; k < count; ++k) {
            const char32_t escaped = kEscapeBase + data[end + k];
            out += static_cast<char>(0xE0 | (escaped >> 12));
            out += static_cast<char>(0x80 | ((escaped >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (escaped & 0x3F));
        }
        i = end + count;
    }
}

QString NameFromNative(const char* bytes, std::size_t length) {
    QString name;
    NameFromNativeInto(name, bytes, length);
    return name;
}

QByteArray NameToNative(const QString& name) {
    QByteArray out;
    out.reserve(name.size() * 3);
    const qsizetype size = name.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = name.at(i).unicode();
        if (unit >= kEscapedByteFirst && unit <= kEscapedByteLast) {
            out.append(static_cast<char>(unit - kEscapeBase));
        } else if (QChar::isHighSurrogate(unit) && i + 1 < size && name.at(i + 1).isLowSurrogate()) {
            appendUtf8(out, QChar::surrogateToUcs4(unit, name.at(i + 1).unicode()));
            ++i;
        } else if (QChar::isSurrogate(unit)) {
            appendUtf8(out, QChar::ReplacementCharacter); // a lone half has no UTF-8 form
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

QString PathFromNative(const QByteArray& bytes) {
    return NameFromNative(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QByteArray PathToNative(const QString& path) {
    return NameToNative(path);
}

QString DisplayName(const QString& name) {
    QString text;
    text.reserve(name.size());
    for (const QChar c : name) {
        const char16_t unit = c.unicode();
        if (unit >= kEscapedByteFirst && unit <= kEscapedByteLast) {
            text.append(QStringLiteral("\\x"));
            text.append(QString::number(unit - kEscapeBase, 16).toUpper());
        } else {
            text.append(c);
        }
    }
    return text;
}

} // namespace vambrel
