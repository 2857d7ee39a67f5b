#include "link/FrameCodec.h"

#include "state/Globals.h"

#include <array>
#include <atomic>
#include <cstring>

namespace {

constexpr std::uint16_t kCrcStart = 0xFFFF;

constexpr std::uint16_t CrcStep(std::uint8_t b, std::uint16_t crc) {
    std::uint8_t t = static_cast<std::uint8_t>(b ^ (crc & 0xFF));
    t = static_cast<std::uint8_t>(t ^ (t << 4));
    return static_cast<std::uint16_t>((crc >> 8) ^ (t << 8) ^ (t << 3) ^ (t >> 4));
}

// The step above is linear and depends on the low byte of crc only through (b ^ crc) & 0xFF, so it
// splits into a shift and a lookup: step(b, crc) = (crc >> 8) ^ kCrcTables[0][(b ^ crc) & 0xFF].
// kCrcTables[k] is that entry pushed k zero bytes further; with them eight bytes are folded by eight
// independent lookups instead of a chain of eight steps.
constexpr std::size_t kCrcSlices = 8;
using CrcTables = std::array<std::array<std::uint16_t, 256>, kCrcSlices>;

constexpr CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (unsigned i = 0; i < 256; ++i)
        tables[0][i] = CrcStep(static_cast<std::uint8_t>(i), 0);
    for (std::size_t k = 1; k < kCrcSlices; ++k)
        for (unsigned i = 0; i < 256; ++i)
            tables[k][i] =
                static_cast<std::uint16_t>((tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF]);
    return tables;
}
constexpr CrcTables kCrcTables = MakeCrcTables();

std::uint16_t CrcUpdate(std::uint16_t crc, const std::uint8_t* data, std::size_t count) {
    const auto& t = kCrcTables;
    std::size_t i = 0;
    for (; i + kCrcSlices <= count; i += kCrcSlices) {
        const std::uint8_t* b = data + i;
        crc = static_cast<std::uint16_t>(t[7][b[0] ^ (crc & 0xFF)] ^ t[6][b[1] ^ (crc >> 8)] ^ t[5][b[2]] ^
                                         t[4][b[3]] ^ t[3][b[4]] ^ t[2][b[5]] ^ t[1][b[6]] ^ t[0][b[7]]);
    }
    for (; i < count; ++i)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ t[0][(data[i] ^ crc) & 0xFF]);
    return crc;
}

// Copies n >= 8 bytes in overlapping 8-byte pieces. Frames are short, and the compiler's own copy of
// an unknown length (a string instruction) costs more than the whole frame's checksum.
void CopyFrameBytes(std::uint8_t* dst, const std::uint8_t* src, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8)
        std::memcpy(dst + i, src + i, 8);
    if (i < n)
        std::memcpy(dst + n - 8, src + n - 8, 8);
}

template <typename Record>
bool DecodePayload(ConstFrameArray frame, std::uint8_t crcExtra, Record& record) {
    // The length is at most 255, so every index below stays inside the 512-byte frame array.
    const std::size_t len = FramePayloadLength(frame);
    std::uint16_t crc = FrameCrc(frame.data() + 1, static_cast<std::uint16_t>(len + kFrameHeaderSize - 1));
    crc = CrcAccumulate(crcExtra, crc);
    const unsigned received = frame[kFrameHeaderSize + len] + 256u * frame[kFrameHeaderSize + len + 1];
    if (received != crc)
        return false;
    // A payload longer than the record is not a message this program knows: refuse it rather than
    // guess which bytes mean what.
    if (len > sizeof record)
        return false;
    const std::uint8_t* payload = frame.data() + kFrameHeaderSize;
    if (len == sizeof record)
        std::memcpy(&record, payload, sizeof record); // the usual, untrimmed case
    else
        std::memcpy(&record, payload, len);
    return true;
}

} // namespace

std::uint16_t CrcAccumulate(std::uint8_t b, std::uint16_t crc) {
    return CrcStep(b, crc);
}

std::uint16_t FrameCrc(const std::uint8_t* data, std::uint16_t count) {
    return CrcUpdate(kCrcStart, data, count);
}

std::size_t TrimPayload(std::span<const std::uint8_t> payload) {
    std::size_t len = payload.size();
    while (len > 1 && payload[len - 1] == 0)
        --len;
    return len;
}

int EncodeFrame(std::uint8_t messageId, std::uint8_t crcExtra, std::uint8_t sequence,
                std::span<const std::uint8_t> payload, bool trim, std::span<std::uint8_t> out) {
    const std::size_t len = trim ? TrimPayload(payload) : payload.size();
    out[0] = kFrameStart;
    out[1] = static_cast<std::uint8_t>(len);
    out[2] = sequence;
    out[3] = kSystemId;
    out[4] = kComponentId;
    out[5] = messageId;
    if (len > 0) // an empty payload may have no data at all to copy from
        std::memcpy(out.data() + kFrameHeaderSize, payload.data(), len);
    std::uint16_t crc = FrameCrc(out.data() + 1, static_cast<std::uint16_t>(len + kFrameHeaderSize - 1));
    crc = CrcAccumulate(crcExtra, crc);
    out[kFrameHeaderSize + len] = static_cast<std::uint8_t>(crc & 0xFF);
    out[kFrameHeaderSize + len + 1] = static_cast<std::uint8_t>(crc >> 8);
    return static_cast<int>(len + kFrameOverhead);
}

int BuildHeartbeatFrame(const HeartbeatRecord& record, std::span<std::uint8_t, kHeartbeatFrameMax> out) {
    const int len = EncodeFrame(kMsgHeartbeat, kCrcExtraHeartbeat,
                                g_nSeqHeartbeat.load(std::memory_order_relaxed), AsBytes(record), true, out);
    g_nSeqHeartbeat.fetch_add(1, std::memory_order_relaxed); // wraps from 255 to 0
    return len;
}

int BuildCommandFrame(const GameCommand& record, std::span<std::uint8_t, kCommandFrameMax> out) {
    const int len = EncodeFrame(kMsgCommand, kCrcExtraCommand, g_nSeqCommand.load(std::memory_order_relaxed),
                                AsBytes(record), true, out);
    g_nSeqCommand.fetch_add(1, std::memory_order_relaxed); // wraps from 255 to 0
    return len;
}

int TakeFrame(CReceiveBuffer& buffer, FrameArray frame) {
    const std::span<const std::uint8_t> bytes = buffer.Bytes();
    const std::size_t n = bytes.size();
    if (n == 0)
        return 0;

    // The last byte cannot start a frame that is already complete: its length byte is still missing.
    const void* hit = std::memchr(bytes.data(), kFrameStart, n - 1);
    if (hit == nullptr) {
        if (bytes[n - 1] == kFrameStart)
            buffer.DropFront(n - 1); // a frame may begin with that last byte
        else
            buffer.Clear();
        return 0;
    }

    const std::size_t start = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - bytes.data());
    const std::size_t length = bytes[start + 1] + kFrameOverhead;
    if (n - start < length) {
        buffer.DropFront(start); // keep the partial frame at the head until the rest arrives
        return 0;
    }
    CopyFrameBytes(frame.data(), bytes.data() + start, length);
    buffer.DropFront(start + length);
    return static_cast<int>(length);
}

bool DecodeAttitude(ConstFrameArray frame, AttitudeRecord& record) {
    return DecodePayload(frame, kCrcExtraAttitude, record);
}

bool DecodeCommandReply(ConstFrameArray frame, GameCommand& record) {
    return DecodePayload(frame, kCrcExtraCommand, record);
}

bool DecodeHeartbeat(ConstFrameArray frame, HeartbeatRecord& record) {
    return DecodePayload(frame, kCrcExtraHeartbeat, record);
}
