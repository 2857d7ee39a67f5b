#include "link/FrameCodec.h"
#include "state/Globals.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Build(const HeartbeatRecord& record) {
    std::array<std::uint8_t, kHeartbeatFrameMax> out{};
    const int len = BuildHeartbeatFrame(record, out);
    return Bytes(out.begin(), out.begin() + len);
}

Bytes Build(const GameCommand& record) {
    std::array<std::uint8_t, kCommandFrameMax> out{};
    const int len = BuildCommandFrame(record, out);
    return Bytes(out.begin(), out.begin() + len);
}

GameCommand Command(std::initializer_list<std::uint8_t> bytes) {
    GameCommand command;
    std::memcpy(&command, std::data(bytes), bytes.size());
    return command;
}

// A frame as the drone would send it, with any payload and message id, untrimmed.
Bytes DroneFrame(std::uint8_t messageId, std::uint8_t crcExtra, const Bytes& payload) {
    Bytes frame(payload.size() + kFrameOverhead);
    frame.resize(EncodeFrame(messageId, crcExtra, 42, payload, false, frame));
    return frame;
}

std::array<std::uint8_t, kFrameArraySize> FrameArrayOf(const Bytes& frame) {
    std::array<std::uint8_t, kFrameArraySize> array{};
    std::copy(frame.begin(), frame.end(), array.begin());
    return array;
}

// An ATTITUDE frame worked out independently of this code: time 123456 ms, roll 0.1, pitch -0.25,
// yaw 1.5 rad, rates 0.01, 0.02, 0.03 rad/s, sequence 7, system and component 1.
const Bytes kAttitudeFrame = {0xfe, 0x1c, 0x07, 0x01, 0x01, 0x1e, 0x40, 0xe2, 0x01, 0x00, 0xcd, 0xcc,
                              0xcc, 0x3d, 0x00, 0x00, 0x80, 0xbe, 0x00, 0x00, 0xc0, 0x3f, 0x0a, 0xd7,
                              0x23, 0x3c, 0x0a, 0xd7, 0xa3, 0x3c, 0x8f, 0xc2, 0xf5, 0x3c, 0x8e, 0xc6};

// The same frame trimmed to 16 payload bytes: time 1000 ms, roll 0.1, pitch 0.2, yaw 0.3, no rates.
const Bytes kAttitudeFrameTrimmed = {0xfe, 0x10, 0x07, 0x01, 0x01, 0x1e, 0xe8, 0x03, 0x00, 0x00, 0xcd, 0xcc,
                                     0xcc, 0x3d, 0xcd, 0xcc, 0x4c, 0x3e, 0x9a, 0x99, 0x99, 0x3e, 0x93, 0x24};

class FrameCodec : public ::testing::Test {
protected:
    void SetUp() override {
        g_nSeqHeartbeat = 0;
        g_nSeqCommand = 0;
    }
};

TEST_F(FrameCodec, ChecksumMatchesTheX25CheckValueAndTheBytewiseStep) {
    const char* digits = "123456789";
    EXPECT_EQ(FrameCrc(reinterpret_cast<const std::uint8_t*>(digits), 9), 0x6F91);

    // The checksum folds bytes in pairs; every length, odd and even, must equal the plain byte step.
    std::mt19937 random(7);
    Bytes data(300);
    for (auto& b : data)
        b = static_cast<std::uint8_t>(random());
    for (std::uint16_t count = 0; count <= data.size(); ++count) {
        std::uint16_t expected = 0xFFFF;
        for (std::uint16_t i = 0; i < count; ++i)
            expected = CrcAccumulate(data[i], expected);
        ASSERT_EQ(FrameCrc(data.data(), count), expected) << "count " << count;
    }
}

TEST_F(FrameCodec, BuildsTheWorkedExamplesByteForByte) {
    EXPECT_EQ(Build(HeartbeatRecord{}), (Bytes{0xFE, 0x01, 0x00, 0x13, 0x01, 0x00, 0x00, 0xFC, 0x4B}));
    EXPECT_EQ(Build(HeartbeatRecord{}), (Bytes{0xFE, 0x01, 0x01, 0x13, 0x01, 0x00, 0x00, 0xD7, 0x4F}));

    EXPECT_EQ(Build(Command({0x01, 0x64})),
              (Bytes{0xFE, 0x02, 0x00, 0x13, 0x01, 0xE4, 0x01, 0x64, 0xB9, 0xE5}));
    g_nSeqCommand = 0;
    EXPECT_EQ(Build(GameCommand{}), (Bytes{0xFE, 0x01, 0x00, 0x13, 0x01, 0xE4, 0x00, 0xF1, 0x7A}));
    g_nSeqCommand = 5;
    EXPECT_EQ(Build(Command({0x01, 0x03, 0x02})),
              (Bytes{0xFE, 0x03, 0x05, 0x13, 0x01, 0xE4, 0x01, 0x03, 0x02, 0x37, 0x99}));
}

TEST_F(FrameCodec, TrimsOnlyTrailingZerosAndKeepsTheFirstByte) {
    struct Case {
        Bytes payload;
        std::size_t len;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0, 0}, 1},
        {{0}, 1},
        {{7}, 1},
        {{0, 0, 5, 0, 0, 0, 0, 0}, 3},
        {{1, 0, 0, 0, 0, 0, 0, 0, 9}, 9},
        {{0, 1, 0, 2, 0}, 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrimPayload(c.payload), c.len);

    HeartbeatRecord versioned;
    versioned.mavlink_version = 3;
    const Bytes full = Build(versioned);
    EXPECT_EQ(full.size(), 17u);
    EXPECT_EQ(full[1], 9);

    const Bytes inner = Build(Command({0x00, 0x00, 0x05}));
    EXPECT_EQ(inner.size(), 11u);
    EXPECT_EQ(inner[1], 3);
    EXPECT_EQ((Bytes(inner.begin() + 6, inner.begin() + 9)), (Bytes{0x00, 0x00, 0x05}));
}

TEST_F(FrameCodec, SequenceCountersAreIndependentAndWrapAt255) {
    g_nSeqHeartbeat = 254;
    g_nSeqCommand = 10;
    EXPECT_EQ(Build(HeartbeatRecord{})[2], 254);
    EXPECT_EQ(Build(HeartbeatRecord{})[2], 255);
    EXPECT_EQ(Build(HeartbeatRecord{})[2], 0);
    EXPECT_EQ(g_nSeqCommand, 10);

    EXPECT_EQ(Build(GameCommand{})[2], 10);
    EXPECT_EQ(Build(GameCommand{})[2], 11);
    EXPECT_EQ(g_nSeqHeartbeat, 1);

    g_nSeqCommand = 255;
    EXPECT_EQ(Build(GameCommand{})[2], 255);
    EXPECT_EQ(g_nSeqCommand, 0);
}

TEST_F(FrameCodec, TakeFrameDropsNoiseAndKeepsPartialFrames) {
    const Bytes frame = Build(Command({0x01, 0x03, 0x02})); // 11 bytes
    const Bytes next = Build(HeartbeatRecord{});
    auto concat = [](std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const Bytes& p : parts)
            all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const Bytes noise = {0x11, 0x22, 0x33};

    struct Case {
        const char* name;
        Bytes input;
        int result;
        Bytes frameOut;
        Bytes left;
    };
    const Case cases[] = {
        {"empty", {}, 0, {}, {}},
        {"lone start byte", {0xFE}, 0, {}, {0xFE}},
        {"one other byte", {0x42}, 0, {}, {}},
        {"noise only", noise, 0, {}, {}},
        {"noise ending in start byte", concat({noise, {0xFE}}), 0, {}, {0xFE}},
        {"noise then partial frame",
         concat({noise, Bytes(frame.begin(), frame.begin() + 5)}),
         0,
         {},
         Bytes(frame.begin(), frame.begin() + 5)},
        {"start byte and length only", {0x00, 0xFE, 0x01}, 0, {}, {0xFE, 0x01}},
        {"frame one byte short",
         Bytes(frame.begin(), frame.end() - 1),
         0,
         {},
         Bytes(frame.begin(), frame.end() - 1)},
        {"exact frame", frame, 11, frame, {}},
        {"noise, frame, start of the next", concat({noise, frame, Bytes(next.begin(), next.begin() + 4)}), 11,
         frame, Bytes(next.begin(), next.begin() + 4)},
        // A start byte inside noise is taken at its word: its "frame" leaves the buffer whole.
        {"false start byte",
         {0x10, 0xFE, 0x01, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x99, 0x88, 0x77},
         9,
         {0xFE, 0x01, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x99, 0x88},
         {0x77}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CReceiveBuffer buffer;
        buffer.Append(c.input);
        std::array<std::uint8_t, kFrameArraySize> out{};
        const int result = TakeFrame(buffer, out);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + result), c.frameOut);
        EXPECT_EQ(Bytes(buffer.Bytes().begin(), buffer.Bytes().end()), c.left);
    }
}

TEST_F(FrameCodec, FramesSplitAcrossReadsWithNoiseComeOutWholeAndInOrder) {
    // Build a stream of attitude frames with noise between some of them, then feed it in random
    // pieces the way reads deliver it; every frame must decode, in order, with its own roll.
    std::mt19937 random(11);
    Bytes stream;
    const int kFrames = 300;
    for (int i = 0; i < kFrames; ++i) {
        AttitudeRecord record;
        record.roll = static_cast<float>(i);
        Bytes payload(sizeof record);
        std::memcpy(payload.data(), &record, sizeof record);
        const Bytes frame = DroneFrame(kMsgAttitude, kCrcExtraAttitude, payload);
        stream.insert(stream.end(), frame.begin(), frame.end());
        if (i % 7 == 3) // noise without start bytes between frames
            stream.insert(stream.end(), {0x01, 0x02, 0x03});
    }

    CReceiveBuffer buffer;
    std::array<std::uint8_t, kFrameArraySize> out{};
    std::vector<float> rolls;
    std::size_t pos = 0;
    while (pos < stream.size()) {
        const std::size_t piece = std::min<std::size_t>(1 + random() % 80, stream.size() - pos);
        buffer.Append({stream.data() + pos, piece});
        pos += piece;
        while (TakeFrame(buffer, out) > 0) {
            AttitudeRecord record;
            ASSERT_TRUE(DecodeAttitude(out, record));
            rolls.push_back(record.roll);
        }
    }
    EXPECT_TRUE(buffer.Empty());
    ASSERT_EQ(rolls.size(), static_cast<std::size_t>(kFrames));
    for (int i = 0; i < kFrames; ++i)
        EXPECT_EQ(rolls[i], static_cast<float>(i));
}

TEST_F(FrameCodec, DecodesAttitudeAndRefusesAnyChangedByte) {
    const auto frame = FrameArrayOf(kAttitudeFrame);
    AttitudeRecord record;
    ASSERT_TRUE(DecodeAttitude(frame, record));
    EXPECT_EQ(record.time_boot_ms, 123456u);
    EXPECT_FLOAT_EQ(record.roll, 0.1f);
    EXPECT_FLOAT_EQ(record.pitch, -0.25f);
    EXPECT_FLOAT_EQ(record.yaw, 1.5f);
    EXPECT_FLOAT_EQ(record.yawspeed, 0.03f);

    for (std::size_t i = 1; i < kAttitudeFrame.size(); ++i) {
        auto damaged = frame;
        damaged[i] ^= 0x20;
        AttitudeRecord untouched;
        untouched.roll = 99.0f;
        EXPECT_FALSE(DecodeAttitude(damaged, untouched)) << "byte " << i;
        EXPECT_EQ(untouched.roll, 99.0f) << "byte " << i;
    }
}

TEST_F(FrameCodec, TrimmedPayloadsDecodeWithMissingFieldsZero) {
    AttitudeRecord attitude;
    ASSERT_TRUE(DecodeAttitude(FrameArrayOf(kAttitudeFrameTrimmed), attitude));
    EXPECT_EQ(attitude.time_boot_ms, 1000u);
    EXPECT_FLOAT_EQ(attitude.yaw, 0.3f);
    EXPECT_EQ(attitude.rollspeed, 0.0f);
    EXPECT_EQ(attitude.pitchspeed, 0.0f);
    EXPECT_EQ(attitude.yawspeed, 0.0f);

    GameCommand reply;
    ASSERT_TRUE(
        DecodeCommandReply(FrameArrayOf({0xfe, 0x01, 0x07, 0x01, 0x01, 0xe4, 0x01, 0x30, 0xdd}), reply));
    EXPECT_EQ(reply.action, 1);
    EXPECT_EQ(reply.difficulty, 0);

    // The decoders check the checksum of their own message: an attitude frame is no command reply.
    GameCommand wrongKind;
    EXPECT_FALSE(DecodeCommandReply(FrameArrayOf(kAttitudeFrame), wrongKind));
}

TEST_F(FrameCodec, PayloadsLongerThanTheirRecordAreRefused) {
    AttitudeRecord attitude;
    attitude.roll = 5.0f;
    EXPECT_FALSE(
        DecodeAttitude(FrameArrayOf(DroneFrame(kMsgAttitude, kCrcExtraAttitude, Bytes(29, 0x11))), attitude));
    EXPECT_EQ(attitude.roll, 5.0f);
    EXPECT_TRUE(
        DecodeAttitude(FrameArrayOf(DroneFrame(kMsgAttitude, kCrcExtraAttitude, Bytes(28, 0x11))), attitude));

    GameCommand reply;
    EXPECT_FALSE(
        DecodeCommandReply(FrameArrayOf(DroneFrame(kMsgCommand, kCrcExtraCommand, Bytes(9, 0x01))), reply));
    EXPECT_EQ(reply.action, 0);
    // The longest length byte there is still reads inside the frame array.
    EXPECT_FALSE(
        DecodeCommandReply(FrameArrayOf(DroneFrame(kMsgCommand, kCrcExtraCommand, Bytes(255, 0x01))), reply));
}

} // namespace
