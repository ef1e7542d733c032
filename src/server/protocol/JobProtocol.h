#pragma once

// The job protocol between a client and qvtSrv: message types, classes, limits. The wire format
// is documented in docs/job-protocol.md; WireEncoder writes it and WireDecoder/WireFrameBuffer
// read it. Header-only so that the server and the client library share one definition.

#include <QtGlobal>

namespace vambrel::jobwire {

// Bumped on any incompatible change; both sides refuse a peer of another version.
inline constexpr quint32 kProtocolVersion = 1;

// Length field + type byte + payload. The length counts the type byte and the payload.
inline constexpr qsizetype kLengthSize = 4;
// Largest frame body (type + payload) either side accepts; anything longer is a protocol error.
inline constexpr quint32 kMaxFrameBody = 1u << 20;
// Largest number of positions in one Positions message.
inline constexpr quint32 kMaxPositionsPerChunk = 65536;

enum class Msg : quint8 {
    // client -> server
    Hello = 0x01,
    Start = 0x02,
    Cancel = 0x03,
    Ack = 0x04,
    // server -> client
    Welcome = 0x81,
    Error = 0x82,
    Complete = 0x90,
    Cancelled = 0x91,
    ProgressMain = 0x92,
    ProgressFolder = 0x93,
    ProgressFile = 0x94,
    ProgressState = 0x95,
    CheckProgressFile = 0x96,
    SearchProgressMain = 0x97,
    SearchProgressFolder = 0x98,
    Positions = 0x99,
    Settle = 0x9A,
};

enum class JobClass : quint8 { Build = 1, Check = 2, Search = 3 };

// The three collections of the check job, as the `which` field of Positions.
enum class PositionList : quint8 { Idem = 0, Distinct = 1, NonExist = 2 };

// Error numbers carried by Error messages.
inline constexpr qint32 kErrAlreadyRunning = 32540;
inline constexpr qint32 kErrProtocol = 1;

inline bool isKnownClass(quint8 c) {
    return c >= 1 && c <= 3;
}

inline const char* className(JobClass c) {
    switch (c) {
    case JobClass::Build:
        return "cAsync";
    case JobClass::Check:
        return "cAsync2";
    case JobClass::Search:
        return "cAsync3";
    }
    return "?";
}

} // namespace vambrel::jobwire
