#include "support/VirtualDrone.h"

#include "game/CommandExchange.h"
#include "game/GameClock.h"
#include "game/Scoring.h"
#include "link/FrameCodec.h"
#include "platform/LocalClock.h"
#include "state/Globals.h"
#include "state/LinkReading.h"

#include <array>
#include <cstring>

namespace {
const QDateTime kEpoch(QDate(2026, 12, 7), QTime(9, 0, 0));
constexpr std::int64_t kStartMs = 1000000; // the monotonic clock when the drone is made
constexpr float kTilted = 30.0f;
} // namespace

CVirtualDrone::CVirtualDrone() {
    attitude = [](int, long long) { return std::pair{0.0f, 0.0f}; };
    g_bLinkActive = true;
    g_nAckStatus = 0;
    g_fRoll = 0.0f;
    g_fPitch = 0.0f;
    g_Link.Edit([](LinkReading& link) {
        link.roll = 0.0f;
        link.pitch = 0.0f;
        link.attitudeTimeMs = kStartMs;
        link.state = LinkState::Good; // streaming twenty frames a second
    });
    SetGameSleep([this](std::chrono::milliseconds d) { Advance(d); });
    SetGameNow([this] { return kStartMs + nowMs; });
    SetCommandFrameWriter([this](const std::uint8_t* bytes, std::uint8_t length) { OnFrame(bytes, length); });
    SetLocalTimeSource([this] { return LocalTime(); });
}

CVirtualDrone::~CVirtualDrone() {
    g_Link.SetState(LinkState::None);
    SetGameSleep({});
    SetGameNow({});
    SetCommandFrameWriter({});
    SetLocalTimeSource({});
}

QDateTime CVirtualDrone::LocalTime() const {
    return kEpoch.addMSecs(nowMs);
}

void CVirtualDrone::LevelAfterSamples(std::vector<int> badSamples) {
    attitude = [badSamples](int attempt, long long msSinceStart) {
        const int bad = attempt < static_cast<int>(badSamples.size()) ? badSamples[attempt] : 0;
        // Sample n of the measurement comes n + 1 sample periods after the frame: one poll for the answer.
        const long long sample = msSinceStart / kSamplePeriod.count() - 1;
        const bool level = bad >= 0 && sample > bad;
        return level ? std::pair{0.0f, 0.0f} : std::pair{kTilted, 0.0f};
    };
}

void CVirtualDrone::CutDuringAttempt(Cut cut, int attemptStartsAtCut, long long* cutAt) {
    silentFromMs = cut == Cut::StaleFromTheStart ? 0 : -1;
    if (cut == Cut::StaleFromTheStart)
        g_Link.Edit([](LinkReading& link) { link.attitudeTimeMs = 0; });
    onTick = [this, cut, attemptStartsAtCut, cutAt, done = false](long long now) mutable {
        if (done || attemptStarts != attemptStartsAtCut || now - sent.back().timeMs < 700)
            return;
        done = true;
        *cutAt = now;
        if (cut == Cut::Close)
            g_bLinkActive = false;
        else if (cut == Cut::AnotherDrone)
            ConnectAnotherDrone();
        else if (cut == Cut::Weak)
            g_Link.SetState(LinkState::None);
        else
            silentFromMs = now;
    };
}

void CVirtualDrone::ConnectAnotherDrone() {
    g_Link.Edit([](LinkReading& link) { link.generation += 2; });
}

void CVirtualDrone::Advance(std::chrono::milliseconds duration) {
    nowMs += duration.count();
    ++sleeps;
    if (m_ackDueMs >= 0 && nowMs >= m_ackDueMs) {
        g_nAckStatus = ackByte;
        m_ackDueMs = -1;
    }
    if (silentFromMs < 0 || nowMs < silentFromMs) {
        if (attemptStarts > 0) {
            const auto [roll, pitch] = attitude(attemptStarts - 1, nowMs - m_attemptStartMs);
            g_fRoll = roll;
            g_fPitch = pitch;
            g_Link.Edit([roll = roll, pitch = pitch](LinkReading& link) {
                link.roll = roll;
                link.pitch = pitch;
            });
        }
        g_Link.Edit([this](LinkReading& link) { link.attitudeTimeMs = kStartMs + nowMs; });
    }
    if (onTick)
        onTick(nowMs);
}

void CVirtualDrone::OnFrame(const std::uint8_t* bytes, std::uint8_t length) {
    std::array<std::uint8_t, kFrameArraySize> frame{};
    std::memcpy(frame.data(), bytes, length);
    const auto payload = FramePayload(frame);
    Sent s{nowMs, FrameSequence(frame), {}, std::vector<std::uint8_t>(payload.begin(), payload.end())};
    DecodeCommandReply(frame, s.command); // the same record both ways
    sent.push_back(s);
    if (s.command.action == kActionStart && s.command.difficulty != kOpeningDifficulty) {
        ++attemptStarts;
        m_attemptStartMs = nowMs;
    }
    if (!ackNever)
        m_ackDueMs = nowMs + ackDelayMs;
}
