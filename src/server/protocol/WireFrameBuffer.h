#pragma once

#include "JobProtocol.h"

#include <QByteArray>

namespace vambrel::jobwire {

// Cuts a byte stream into frames. Bytes are appended as they arrive; next() hands out each
// complete frame in turn. A length of 0 or above kMaxFrameBody makes the stream unusable (no
// frame boundary can be trusted after it): next() then reports BadLength for good.
class WireFrameBuffer {
public:
    enum class Status { Frame, NeedMore, BadLength };

    struct Frame {
        Msg type{};
        const char* payload = nullptr;
        qsizetype size = 0;
    };

    void append(const char* data, qsizetype size) {
        compact();
        m_buf.append(data, size);
    }
    void append(const QByteArray& data) { append(data.constData(), data.size()); }

    // A frame stays valid until the next call of append() or next().
    Status next(Frame& frame) {
        if (m_bad)
            return Status::BadLength;
        if (available() < kLengthSize)
            return Status::NeedMore;
        const auto* p = reinterpret_cast<const unsigned char*>(m_buf.constData() + m_pos);
        const quint32 body = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<quint32>(p[3]) << 24);
        if (body == 0 || body > kMaxFrameBody) {
            m_bad = true;
            return Status::BadLength;
        }
        if (available() < kLengthSize + static_cast<qsizetype>(body))
            return Status::NeedMore;
        frame.type = static_cast<Msg>(p[kLengthSize]);
        frame.payload = m_buf.constData() + m_pos + kLengthSize + 1;
        frame.size = static_cast<qsizetype>(body) - 1;
        m_pos += kLengthSize + static_cast<qsizetype>(body);
        return Status::Frame;
    }

    // Bytes received and not yet handed out as frames (a truncated frame at the end of a stream).
    qsizetype available() const { return m_buf.size() - m_pos; }

private:
    void compact() {
        if (m_pos == 0)
            return;
        m_buf.remove(0, m_pos);
        m_pos = 0;
    }

    QByteArray m_buf;
    qsizetype m_pos = 0;
    bool m_bad = false;
};

} // namespace vambrel::jobwire
