// Commands to the drone: the opening command, the start of each attempt, and the stop at the end.
#pragma once

#include "link/LinkRecords.h"
#include "link/Protocol.h"
#include "state/Globals.h"
#include "state/LinkReading.h"

#include <chrono>
#include <cstdint>
#include <functional>

inline constexpr int kCommandTries = 3;
inline constexpr int kAckPollsPerTry = 5;
inline constexpr std::chrono::milliseconds kAckPollPeriod{100};

// The first command of every game: action start, difficulty kOpeningDifficulty, attempt 0.
GameCommand OpeningCommand();

// Commands go to the drone of connection link (a LinkReading::generation; the current one by default). Once
// that drone is lost they go nowhere: never to another drone connected after it.

// Sends command and waits for the drone's acknowledgement: up to three frames, each with a new
// sequence number, each followed by five 100 ms polls of g_nAckStatus. True when acknowledged.
bool SendGameCommand(GameCommand command, std::uint64_t link = g_Link.Generation());

// Sends one frame of command and does not wait.
void PostGameCommand(GameCommand command, std::uint64_t link = g_Link.Generation());

// Tests see the frames here instead of on the port (those the port would take); an empty writer
// restores the port.
using CommandFrameWriter = std::function<void(const std::uint8_t* bytes, std::uint8_t length)>;
void SetCommandFrameWriter(CommandFrameWriter writer);
