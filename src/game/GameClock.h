// All waiting of the game logic goes through GameSleep, and every look at the clock through GameNowMs,
// so tests can run whole games in virtual time.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

void GameSleep(std::chrono::milliseconds duration);
// The game's clock in milliseconds: the monotonic clock (MonotonicMs), with which the link stamps each
// attitude it publishes (LinkReading::attitudeTimeMs), unless a test replaced it; a test that does
// publishes its attitudes stamped on its own clock.
std::int64_t GameNowMs();

// Tests replace the sleep and the clock; an empty function restores the real one.
void SetGameSleep(std::function<void(std::chrono::milliseconds)> sleep);
void SetGameNow(std::function<std::int64_t()> now);
