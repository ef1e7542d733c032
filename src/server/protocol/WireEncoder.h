#pragma once

#include "JobProtocol.h"

#include <QByteArray>
#include <QString>
#include <cstring>

namespace vambrel::jobwire {

// Appends frames to a byte buffer: begin() reserves the length field, the put functions add
// little-endian fields, end() fills the length in. Strings travel as UTF-16 code units so that
// any QString, including the lossless forms of invalid UTF-8 names, crosses unchanged.
class WireEncoder {
public:
    explicit WireEncoder(QByteArray& out) : m_out(out) {}

    void begin(Msg type) {
        m_start = m_out.size();
        m_out.append(kLengthSize, '\0');
        putU8(static_cast<quint8>(type));
    }
    void end() {
        const auto body = static_cast<quint32>(m_out.size() - m_start - kLengthSize);
        char* p = m_out.data() + m_start;
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<char>((body >> (8 * i)) & 0xFF);
    }

    void putU8(quint8 v) { m_out.append(static_cast<char>(v)); }
    void putBool(bool v) { putU8(v ? 1 : 0); }
    void putU16(quint16 v) {
        putU8(static_cast<quint8>(v & 0xFF));
        putU8(static_cast<quint8>(v >> 8));
    }
    void putU32(quint32 v) {
        for (int i = 0; i < 4; ++i)
            putU8(static_cast<quint8>((v >> (8 * i)) & 0xFF));
    }
    void putI32(qint32 v) { putU32(static_cast<quint32>(v)); }
    void putString(const QString& s) {
        putU32(static_cast<quint32>(s.size()));
        for (QChar c : s)
            putU16(c.unicode());
    }

private:
    QByteArray& m_out;
    qsizetype m_start = 0;
};

} // namespace vambrel::jobwire
