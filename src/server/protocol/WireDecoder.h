#pragma once

#include "JobProtocol.h"

#include <QString>
#include <cstddef>

namespace vambrel::jobwire {

// Reads the fields of one frame's payload. Every read is bounds-checked: a read past the end
// fails and leaves the decoder failed, so that a caller may read all fields and check ok() and
// atEnd() once.
class WireDecoder {
public:
    WireDecoder(const char* data, qsizetype size) : m_data(data), m_size(size) {}

    bool ok() const { return !m_failed; }
    bool atEnd() const { return m_pos == m_size; }
    // True when every field was read and nothing is left over.
    bool complete() const { return ok() && atEnd(); }

    quint8 u8() {
        if (!need(1))
            return 0;
        return static_cast<quint8>(m_data[m_pos++]);
    }
    bool boolean() {
        const quint8 v = u8();
        if (v > 1)
            m_failed = true;
        return v == 1;
    }
    quint16 u16() {
        if (!need(2))
            return 0;
        const auto v = static_cast<quint16>(byte(0) | (byte(1) << 8));
        m_pos += 2;
        return v;
    }
    quint32 u32() {
        if (!need(4))
            return 0;
        const quint32 v = byte(0) | (byte(1) << 8) | (byte(2) << 16) | (byte(3) << 24);
        m_pos += 4;
        return v;
    }
    qint32 i32() { return static_cast<qint32>(u32()); }
    QString string() {
        const quint32 units = u32();
        if (!ok() || units > static_cast<quint32>((m_size - m_pos) / 2)) {
            m_failed = true;
            return {};
        }
        QString s(static_cast<qsizetype>(units), Qt::Uninitialized);
        QChar* out = s.data();
        for (quint32 i = 0; i < units; ++i)
            out[i] = QChar(u16());
        return s;
    }

private:
    bool need(qsizetype n) {
        if (m_failed || m_size - m_pos < n) {
            m_failed = true;
            return false;
        }
        return true;
    }
    quint32 byte(qsizetype i) const { return static_cast<quint8>(m_data[m_pos + i]); }

    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    bool m_failed = false;
};

} // namespace vambrel::jobwire
