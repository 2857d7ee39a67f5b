// Feeds arbitrary bytes, in arbitrary read sizes, through the receive path of the frame codec, and
// round-trips arbitrary command records through the builder. Sanitizers catch any out-of-bounds
// access; the checks below catch frames that break the codec's own promises.
#include "link/FrameCodec.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdlib>
#include <cstring>

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    RoundTripCommand(input);

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
