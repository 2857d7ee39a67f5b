// Receive-path throughput of the frame codec: a stream of ATTITUDE frames handed over in 1024-byte
// reads, each frame taken from the receive buffer and decoded. Once on a clean stream, once with 5%
// of the bytes changed at random; and, for comparison, a classic parser that feeds one byte at a time
// through a state machine on the same clean stream.
#include "link/FrameCodec.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int kFrames = 1'000'000;
constexpr std::size_t kReadSize = 1024;

std::vector<std::uint8_t> MakeStream(double damageRate) {
    std::vector<std::uint8_t> stream;
    stream.reserve(kFrames * (sizeof(AttitudeRecord) + kFrameOverhead));
    std::mt19937 random(1234);
    for (int i = 0; i < kFrames; ++i) {
        AttitudeRecord record;
        record.time_boot_ms = static_cast<std::uint32_t>(i * 50);
        record.roll = 0.01f * static_cast<float>(i % 100);
        record.pitch = -0.02f * static_cast<float>(i % 50);
        record.yaw = 1.0f;
        std::uint8_t frame[kFrameOverhead + sizeof record];
        EncodeFrame(kMsgAttitude, kCrcExtraAttitude, static_cast<std::uint8_t>(i), AsBytes(record), false,
                    frame);
        stream.insert(stream.end(), std::begin(frame), std::end(frame));
    }
    std::bernoulli_distribution damage(damageRate);
    for (auto& b : stream)
        if (damage(random))
            b = static_cast<std::uint8_t>(random());
    return stream;
}

void Report(benchmark::State& state, std::int64_t decoded) {
    const double frames = static_cast<double>(state.iterations()) * kFrames;
    state.counters["frames_per_s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    state.counters["ns_per_frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["decoded"] = static_cast<double>(decoded);
}

void TakeAndDecode(benchmark::State& state, const std::vector<std::uint8_t>& stream) {
    std::int64_t decoded = 0;
    for (auto _ : state) {
        decoded = 0;
        CReceiveBuffer buffer;
        std::uint8_t frame[kFrameArraySize] = {};
        for (std::size_t pos = 0; pos < stream.size(); pos += kReadSize) {
            buffer.Append({stream.data() + pos, std::min(kReadSize, stream.size() - pos)});
            while (TakeFrame(buffer, frame) > 0) {
                if (FrameMessageId(frame) != kMsgAttitude)
                    continue;
                AttitudeRecord record;
                decoded += DecodeAttitude(frame, record);
                benchmark::DoNotOptimize(record);
            }
        }
    }
    Report(state, decoded);
}

void BM_TakeFrameAndDecode_Clean(benchmark::State& state) {
    static const auto stream = MakeStream(0.0);
    TakeAndDecode(state, stream);
}

void BM_TakeFrameAndDecode_FivePercentDamaged(benchmark::State& state) {
    static const auto stream = MakeStream(0.05);
    TakeAndDecode(state, stream);
}

// The usual way of parsing MAVLink v1: one byte at a time through a state machine, the checksum
// accumulated as each byte passes.
class CByteParser {
public:
    bool Feed(std::uint8_t b) {
        switch (m_state) {
        case State::Idle:
            if (b == kFrameStart) {
                m_state = State::Length;
                m_crc = 0xFFFF;
            }
            return false;
        case State::Length:
            m_len = b;
            m_pos = 0;
            m_crc = CrcAccumulate(b, m_crc);
            m_state = State::Header;
            return false;
        case State::Header:
            m_crc = CrcAccumulate(b, m_crc);
            if (++m_pos == 4) {
                m_msgId = b;
                m_pos = 0;
                m_state = m_len ? State::Payload : State::CrcLow;
            }
            return false;
        case State::Payload:
            m_payload[m_pos++] = b;
            m_crc = CrcAccumulate(b, m_crc);
            if (m_pos == m_len)
                m_state = State::CrcLow;
            return false;
        case State::CrcLow:
            m_crc = CrcAccumulate(m_msgId == kMsgAttitude ? kCrcExtraAttitude : 0, m_crc);
            m_state = (b == (m_crc & 0xFF)) ? State::CrcHigh : State::Idle;
            return false;
        case State::CrcHigh:
            m_state = State::Idle;
            return b == (m_crc >> 8);
        }
        return false;
    }
    const std::uint8_t* Payload() const { return m_payload; }
    std::uint8_t Length() const { return m_len; }

private:
    enum class State { Idle, Length, Header, Payload, CrcLow, CrcHigh };
    State m_state = State::Idle;
    std::uint8_t m_len = 0, m_pos = 0, m_msgId = 0;
    std::uint16_t m_crc = 0xFFFF;
    std::uint8_t m_payload[256] = {};
};

void BM_ByteAtATimeParser_Clean(benchmark::State& state) {
    static const auto stream = MakeStream(0.0);
    std::int64_t decoded = 0;
    for (auto _ : state) {
        decoded = 0;
        CByteParser parser;
        for (std::size_t pos = 0; pos < stream.size(); pos += kReadSize) {
            const std::size_t end = std::min(pos + kReadSize, stream.size());
            for (std::size_t i = pos; i < end; ++i) {
                if (parser.Feed(stream[i])) {
                    AttitudeRecord record;
                    std::memcpy(&record, parser.Payload(),
                                std::min<std::size_t>(parser.Length(), sizeof record));
                    benchmark::DoNotOptimize(record);
                    ++decoded;
                }
            }
        }
    }
    Report(state, decoded);
}

BENCHMARK(BM_TakeFrameAndDecode_Clean)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TakeFrameAndDecode_FivePercentDamaged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ByteAtATimeParser_Clean)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
