// Feeds arbitrary bytes, in arbitrary read sizes, through the receive path of the frame codec;
// round-trips arbitrary command records through the builder; and frames a payload of any length (0 to
// 255) as each message the program knows, with a valid checksum, so that every decoder meets valid
// frames of every length, which random bytes almost never make. Sanitizers catch any out-of-bounds
// access; the checks below catch frames that break the codec's own promises.
#include "link/FrameCodec.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kReadSize = 1024;
constexpr std::size_t kLongestFrame = 255 + kFrameOverhead;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void RoundTripCommand(FuzzedDataProvider& input) {
    GameCommand sent;
    const auto bytes = input.ConsumeBytes<std::uint8_t>(sizeof sent);
    if (!bytes.empty())
        std::memcpy(&sent, bytes.data(), bytes.size());
    std::array<std::uint8_t, kCommandFrameMax> built{};
    const int len = BuildCommandFrame(sent, built);
    Check(len >= static_cast<int>(kMinFrameSize) && len <= static_cast<int>(kCommandFrameMax));

    CReceiveBuffer buffer;
    buffer.Append({built.data(), static_cast<std::size_t>(len)});
    std::array<std::uint8_t, kFrameArraySize> frame{};
    Check(TakeFrame(buffer, frame) == len && buffer.Empty());
    GameCommand received;
    Check(DecodeCommandReply(frame, received));
    Check(std::memcmp(&sent, &received, sizeof sent) == 0); // only trailing zeros were trimmed
}

// A valid frame of the message, of any payload length, decodes exactly when the payload fits the
// record, and then to the payload followed by zeros.
template <typename Record>
void DecodeAnyLength(std::uint8_t messageId, std::uint8_t crcExtra, bool (*decode)(ConstFrameArray, Record&),
                     const std::vector<std::uint8_t>& payload) {
    std::array<std::uint8_t, kLongestFrame> built{};
    const int len = EncodeFrame(messageId, crcExtra, 0, payload, false, built);
    Check(len == static_cast<int>(payload.size() + kFrameOverhead));
    CReceiveBuffer buffer;
    buffer.Append({built.data(), static_cast<std::size_t>(len)});
    std::array<std::uint8_t, kFrameArraySize> frame{};
    Check(TakeFrame(buffer, frame) == len);
    Record record{};
    const bool decoded = decode(frame, record);
    Check(decoded == (payload.size() <= sizeof record));
    if (decoded) {
        std::array<std::uint8_t, sizeof record> expected{};
        std::copy(payload.begin(), payload.end(), expected.begin());
        Check(std::memcmp(&record, expected.data(), sizeof record) == 0);
    }
}

void FrameAnyPayload(FuzzedDataProvider& input) {
    const auto length = input.ConsumeIntegral<std::uint8_t>();
    const std::uint8_t which = input.ConsumeIntegral<std::uint8_t>();
    std::vector<std::uint8_t> payload = input.ConsumeBytes<std::uint8_t>(length);
    payload.resize(length); // short input: zeros
    switch (which % 3) {
    case 0:
        DecodeAnyLength<AttitudeRecord>(kMsgAttitude, kCrcExtraAttitude, DecodeAttitude, payload);
        break;
    case 1:
        DecodeAnyLength<GameCommand>(kMsgCommand, kCrcExtraCommand, DecodeCommandReply, payload);
        break;
    default:
        DecodeAnyLength<HeartbeatRecord>(kMsgHeartbeat, kCrcExtraHeartbeat, DecodeHeartbeat, payload);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    RoundTripCommand(input);
    FrameAnyPayload(input);

    CReceiveBuffer buffer;
    std::array<std::uint8_t, kFrameArraySize> frame{};
    while (input.remaining_bytes() > 0) {
        const std::size_t readSize = input.ConsumeIntegralInRange<std::size_t>(1, kReadSize);
        const auto bytes = input.ConsumeBytes<std::uint8_t>(readSize);
        buffer.Append(bytes);
        Check(buffer.Size() <= kReadSize + kLongestFrame);
        int len;
        while ((len = TakeFrame(buffer, frame)) > 0) {
            Check(frame[0] == kFrameStart && len == static_cast<int>(FrameLength(frame)));
            AttitudeRecord attitude;
            GameCommand reply;
            DecodeAttitude(frame, attitude);
            DecodeCommandReply(frame, reply);
            frame.fill(0);
        }
        // What stays behind is at most one incomplete frame, beginning with its start byte.
        Check(buffer.Empty() || (buffer.Bytes()[0] == kFrameStart && buffer.Size() < kLongestFrame));
    }
    return 0;
}
