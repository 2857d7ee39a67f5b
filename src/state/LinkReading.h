// What the link last said about the drone, published as one value.
//
// The game decides from four things together whether the attitude it samples is the drone's, now,
// on the connection the game began on: the connection's number, the attitude, when it was stored,
// and the monitor's verdict on the rate of frames. The link changes them together (a close drops the
// attitude and counts a new connection in one step), so they are published under one lock and read
// as one copy; a reader never sees a new connection's number beside the old connection's attitude.
#pragma once

#include "state/GameTypes.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

// An attitude older than this is no attitude: the drone has gone quiet or away.
inline constexpr std::chrono::milliseconds kAttitudeFreshFor{500};

// Why a game may not go on with the link as it is (Holds when it may).
enum class LinkLoss {
    Holds,
    OtherConnection, // the game's drone was lost, even when another took its place at once
    Thin,            // the monitor judges the link below weak: a frame would stand in for several samples
    Stale,           // no attitude stored within kAttitudeFreshFor
};

struct LinkReading {
    // Counts the drone's connections: one more at every open and every close of its port. A game
    // belongs to the connection it started on; another drone, or the same one plugged in again, is
    // another connection.
    std::uint64_t generation = 0;
    float roll = 0.0f; // degrees, from the last verified ATTITUDE
    float pitch = 0.0f;
    float yaw = 0.0f;
    // When the attitude was stored, in milliseconds of the monotonic clock (MonotonicMs, which is
    // GameNowMs unless a test replaced it and publishes on its own clock); 0: none on this connection.
    std::int64_t attitudeTimeMs = 0;
    LinkState state = LinkState::None; // the link monitor's last verdict
    // Not published by the link: g_bLinkActive when the copy was taken (a run window is open and its
    // game goes on), so that a game asks one copy both questions.
    bool active = false;

    bool Fresh(std::int64_t nowMs) const {
        return attitudeTimeMs != 0 && nowMs - attitudeTimeMs <= kAttitudeFreshFor.count();
    }
    // The rules a game's every sample is held to, in the order a player is told of them.
    LinkLoss LossFor(std::uint64_t gameLink, std::int64_t nowMs) const {
        if (generation != gameLink)
            return LinkLoss::OtherConnection;
        if (state == LinkState::None)
            return LinkLoss::Thin;
        if (!Fresh(nowMs))
            return LinkLoss::Stale;
        return LinkLoss::Holds;
    }
};

// The one published reading. The link writes it; the game, the windows and tests that stand in for
// the link read or write it through these calls.
class CPublishedLink {
public:
    LinkReading Read() const;
    std::uint64_t Generation() const;

    // A port opened: a new connection, judged on its own frames.
    void Opened();
    // The port closed: what it last said no longer describes the drone, and the next is another connection.
    void Closed();
    void StoreAttitude(float roll, float pitch, float yaw, std::int64_t timeMs);
    // Returns the verdict it replaces.
    LinkState SetState(LinkState state);
    // For tests that stand in for the link: changes the reading in place, under its lock (a change
    // to active is not kept: that is g_bLinkActive's).
    void Edit(const std::function<void(LinkReading&)>& change);

private:
    mutable std::mutex m_mutex;
    LinkReading m_reading;
};

extern CPublishedLink g_Link;
