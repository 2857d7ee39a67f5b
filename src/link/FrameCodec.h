// MAVLink v1 framing of the three messages the game knows, on caller-supplied buffers.
//
// Frame: FE, LEN, sequence, system id, component id, message id, LEN payload bytes, checksum (low,
// high). Frames the PC sends have their payload trimmed of trailing zero bytes, keeping at least the
// first byte; received frames may be trimmed the same way, and missing fields read as zero.
#pragma once

#include "link/LinkRecords.h"
#include "link/Protocol.h"
#include "link/ReceiveBuffer.h"

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::uint8_t kFrameStart = 0xFE;
inline constexpr std::size_t kFrameHeaderSize = 6;
inline constexpr std::size_t kFrameOverhead = 8;    // header plus the two checksum bytes
inline constexpr std::size_t kMinFrameSize = 9;     // a frame with a one-byte payload
inline constexpr std::size_t kFrameArraySize = 512; // holds the largest frame (255 + 8) with room
inline constexpr std::size_t kHeartbeatFrameMax = kFrameOverhead + sizeof(HeartbeatRecord); // 17
inline constexpr std::size_t kCommandFrameMax = kFrameOverhead + sizeof(GameCommand);       // 16

using FrameArray = std::span<std::uint8_t, kFrameArraySize>;
using ConstFrameArray = std::span<const std::uint8_t, kFrameArraySize>;

// The fields of a taken frame (see TakeFrame), by name rather than by offset.
inline std::uint8_t FramePayloadLength(ConstFrameArray frame) {
    return frame[1];
}
inline std::uint8_t FrameSequence(ConstFrameArray frame) {
    return frame[2];
}
inline std::uint8_t FrameMessageId(ConstFrameArray frame) {
    return frame[5];
}
inline std::size_t FrameLength(ConstFrameArray frame) {
    return FramePayloadLength(frame) + kFrameOverhead;
}
inline std::span<const std::uint8_t> FramePayload(ConstFrameArray frame) {
    return frame.subspan(kFrameHeaderSize, FramePayloadLength(frame));
}

// One step of the X.25 checksum (CRC-16/MCRF4XX): folds byte b into crc.
std::uint16_t CrcAccumulate(std::uint8_t b, std::uint16_t crc);

// The X.25 checksum of count bytes, starting from 0xFFFF, without a final XOR.
std::uint16_t FrameCrc(const std::uint8_t* data, std::uint16_t count);

// Payload length after dropping trailing zero bytes; the first byte always stays (1..size).
std::size_t TrimPayload(std::span<const std::uint8_t> payload);

// The bytes of a payload record, as they go on the wire.
template <typename Record>
std::span<const std::uint8_t> AsBytes(const Record& record) {
    return {reinterpret_cast<const std::uint8_t*>(&record), sizeof record};
}

// Frames any payload (trimmed of trailing zeros when trim is set) with the given sequence number into
// out, which holds at least payload.size() + 8 bytes; returns the frame length. The drone's side of the
// link, the simulated drone, builds its frames with this.
int EncodeFrame(std::uint8_t messageId, std::uint8_t crcExtra, std::uint8_t sequence,
                std::span<const std::uint8_t> payload, bool trim, std::span<std::uint8_t> out);

// Build a frame into out, advance the message's sequence counter and return the frame length
// (9..17 for a heartbeat, 9..16 for a command).
int BuildHeartbeatFrame(const HeartbeatRecord& record, std::span<std::uint8_t, kHeartbeatFrameMax> out);
int BuildCommandFrame(const GameCommand& record, std::span<std::uint8_t, kCommandFrameMax> out);

// Removes at most one complete frame, with any line noise before it, from the front of the buffer
// and copies it into frame. Returns the frame length, or 0 when no complete frame was there. The
// frame is not judged here: its checksum is tested by the decoders.
int TakeFrame(CReceiveBuffer& buffer, FrameArray frame);

// Verify a taken frame's checksum and copy its payload to the start of a zeroed record. A frame whose
// payload is longer than the record is refused. On false the record is left as it was.
bool DecodeAttitude(ConstFrameArray frame, AttitudeRecord& record);
bool DecodeCommandReply(ConstFrameArray frame, GameCommand& record);
// The drone's side of the link reads the PC's heartbeats with this.
bool DecodeHeartbeat(ConstFrameArray frame, HeartbeatRecord& record);
