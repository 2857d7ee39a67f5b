// A drone in virtual time for the game logic: every GameSleep advances a virtual clock (GameNowMs reads
// it), delivers the acknowledgements that are due and stores the attitude the script gives for that
// moment, freshly stamped. Command frames are caught before they reach a port.
#pragma once

#include "link/LinkRecords.h"

#include <QDateTime>

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

class CVirtualDrone {
public:
    CVirtualDrone();
    ~CVirtualDrone();

    struct Sent {
        long long timeMs;
        std::uint8_t sequence;
        GameCommand command;               // the trimmed payload, missing bytes zero
        std::vector<std::uint8_t> payload; // as it travelled
    };

    // Acknowledgement of each frame: byte ackByte, ackDelayMs after the frame; never when ackNever.
    bool ackNever = false;
    std::uint8_t ackByte = 1;
    long long ackDelayMs = 0;

    // Roll and pitch for the current attempt (counted from 0 over attempt-start commands) and the
    // time since its command frame. Level by default.
    std::function<std::pair<float, float>(int attempt, long long msSinceStart)> attitude;
    // Called after every advance, for close requests and the like.
    std::function<void(long long nowMs)> onTick;
    // From this virtual time on the drone sends nothing more (its attitude goes stale); -1 never.
    long long silentFromMs = -1;

    long long nowMs = 0;
    int sleeps = 0;
    std::vector<Sent> sent;
    int attemptStarts = 0; // attempt-start commands seen

    // How a game (or the lesson) is cut short: the window closed, the drone gone quiet, its attitude
    // stale before any attempt, another drone connected in its place, the link judged too thin.
    enum class Cut { Close, Quiet, StaleFromTheStart, AnotherDrone, Weak };
    // Cuts that way 700 ms into the attempt started attemptStarts-th (1 for the first), through onTick,
    // and sets *cutAt to the virtual time it did (left alone until then); StaleFromTheStart at once.
    void CutDuringAttempt(Cut cut, int attemptStarts, long long* cutAt);
    // The drone's port closed and another drone's opened at once: two connections on.
    static void ConnectAnotherDrone();

    // Attitude helper: the first badSamples[k] samples of attempt k out of the window, then level;
    // -1 never level. Assumes the acknowledgement comes at once (the first 100 ms poll).
    void LevelAfterSamples(std::vector<int> badSamples);
    QDateTime LocalTime() const;

private:
    void Advance(std::chrono::milliseconds duration);
    void OnFrame(const std::uint8_t* bytes, std::uint8_t length);
    long long m_ackDueMs = -1;
    long long m_attemptStartMs = 0;
};
