#pragma once

// Reads a byte stream as the job protocol's peers do: cut into frames, each message decoded by
// the grammar of docs/job-protocol.md. Shared by the fuzz target and the replay of its corpus in
// the normal test build. The checks return false on a broken promise of the decoder; a read past
// an end is caught by the sanitizers, since each payload is decoded from an exact-size copy.
#include "JobProtocol.h"
#include "WireDecoder.h"
#include "WireEncoder.h"
#include "WireFrameBuffer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstring>
#include <memory>
#include <vector>

namespace vambrel::jobwire::fuzz {

enum class Field { U8, Bool, U16, U32, I32, Str, Positions };

// The fields of each message type; empty for a type the protocol does not have.
inline std::vector<Field> fieldsOf(Msg type) {
    using F = Field;
    switch (type) {
    case Msg::Hello:
    case Msg::Cancel:
    case Msg::Ack:
    case Msg::Cancelled:
    case Msg::Settle:
        return {F::U32};
    case Msg::Start:
        return {F::U32, F::U8, F::Str, F::Str, F::Str, F::Str};
    case Msg::Welcome:
        return {F::U32, F::U16, F::U16, F::U16};
    case Msg::Error:
        return {F::U32, F::I32, F::Str, F::Str};
    case Msg::Complete:
        return {F::U32, F::Bool, F::Str};
    case Msg::ProgressMain:
        return {F::U32, F::Str};
    case Msg::ProgressFolder:
    case Msg::ProgressFile:
    case Msg::ProgressState:
    case Msg::SearchProgressMain:
    case Msg::SearchProgressFolder:
        return {F::U32, F::I32};
    case Msg::CheckProgressFile:
        return {F::U32, F::U8};
    case Msg::Positions:
        return {F::U32, F::Positions};
    }
    return {};
}

// Decodes one payload by its type's fields and, when it decodes whole, encodes the values again:
// the frame must come back byte for byte. False when the decoder broke a promise.
inline bool checkMessage(Msg type, const char* payload, qsizetype size) {
    const std::vector<Field> fields = fieldsOf(type);
    if (fields.empty())
        return true;
    // An exact-size copy: a read past the payload lands outside the allocation.
    const std::unique_ptr<char[]> copy(new char[size_t(size) + 1]);
    if (size > 0)
        std::memcpy(copy.get(), payload, size_t(size));
    WireDecoder d(copy.get(), size);
    QByteArray again;
    WireEncoder e(again);
    e.begin(type);
    for (Field f : fields) {
        switch (f) {
        case Field::U8:
            e.putU8(d.u8());
            break;
        case Field::Bool:
            e.putBool(d.boolean());
            break;
        case Field::U16:
            e.putU16(d.u16());
            break;
        case Field::U32:
            e.putU32(d.u32());
            break;
        case Field::I32:
            e.putI32(d.i32());
            break;
        case Field::Str: {
            const QString s = d.string();
            // A string never claims more units than the payload holds.
            if (s.size() > size / 2)
                return false;
            e.putString(s);
            break;
        }
        case Field::Positions: {
            const quint8 which = d.u8();
            const quint32 count = d.u32();
            e.putU8(which);
            e.putU32(count);
            // As the client reads them: a count above the chunk limit is refused before any read.
            if (!d.ok() || count > kMaxPositionsPerChunk)
                return true;
            for (quint32 i = 0; i < count && d.ok(); ++i)
                e.putI32(d.i32());
            break;
        }
        }
    }
    e.end();
    if (!d.complete()) {
        // A failed decoder stays failed, whatever is read after.
        if (!d.ok()) {
            d.u32();
            d.string();
            return !d.ok() && !d.complete();
        }
        return true; // bytes left over: malformed, and reported so
    }
    QByteArray original;
    WireEncoder o(original);
    o.begin(type);
    o.end();
    original.append(payload, size);
    const quint32 body = quint32(size + 1);
    for (int i = 0; i < 4; ++i)
        original[i] = char((body >> (8 * i)) & 0xFF);
    return again == original;
}

struct FrameRecord {
    Msg type{};
    QByteArray payload;
    bool operator==(const FrameRecord&) const = default;
};

struct StreamResult {
    QList<FrameRecord> frames;
    bool badLength = false;
    qsizetype leftOver = 0;
};

// Cuts `stream` into frames, appending it in pieces of `pieces[i % n]` bytes (the whole stream
// at once when `pieces` is empty), and checks every message.
inline bool readStream(const QByteArray& stream, const std::vector<int>& pieces, StreamResult* out) {
    WireFrameBuffer frames;
    qsizetype pos = 0;
    size_t turn = 0;
    WireFrameBuffer::Status st = WireFrameBuffer::Status::NeedMore;
    while (pos < stream.size()) {
        const qsizetype n = pieces.empty()
                                ? stream.size()
                                : std::min<qsizetype>(pieces[turn++ % pieces.size()], stream.size() - pos);
        frames.append(stream.constData() + pos, n);
        pos += n;
        WireFrameBuffer::Frame frame;
        while ((st = frames.next(frame)) == WireFrameBuffer::Status::Frame) {
            if (frame.size < 0 || frame.size >= qsizetype(kMaxFrameBody))
                return false;
            out->frames.append({frame.type, QByteArray(frame.payload, frame.size)});
            if (!checkMessage(frame.type, frame.payload, frame.size))
                return false;
        }
        if (st == WireFrameBuffer::Status::BadLength)
            break;
    }
    out->badLength = st == WireFrameBuffer::Status::BadLength;
    if (out->badLength) {
        // No frame boundary can be trusted after a bad length: the buffer stays bad.
        frames.append("\x01\x00\x00\x00\x91", 5);
        WireFrameBuffer::Frame frame;
        if (frames.next(frame) != WireFrameBuffer::Status::BadLength)
            return false;
    }
    out->leftOver = frames.available();
    return true;
}

// The whole check of one input: its first byte chooses how the stream arrives in pieces, and the
// frames must not depend on it.
inline bool checkStream(const char* data, size_t size) {
    if (size == 0)
        return true;
    const auto seed = static_cast<unsigned char>(data[0]);
    const QByteArray stream(data + 1, qsizetype(size - 1));
    std::vector<int> pieces;
    for (int i = 0; i < 4; ++i)
        pieces.push_back(1 + ((seed >> (2 * i)) & 3) * (i + 1));
    StreamResult whole, piecewise;
    if (!readStream(stream, {}, &whole) || !readStream(stream, pieces, &piecewise))
        return false;
    if (whole.badLength != piecewise.badLength || !(whole.frames == piecewise.frames))
        return false;
    return whole.badLength || whole.leftOver == piecewise.leftOver;
}

} // namespace vambrel::jobwire::fuzz
