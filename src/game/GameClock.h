// All waiting of the game logic goes through GameSleep, and every look at the clock through GameNowMs,
// so tests can run whole games in virtual time.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

void GameSleep(std::chrono::milliseconds duration);
// The monotonic clock in milliseconds, the clock the link stamps each attitude with (g_nAttitudeTimeMs).
std::int64_t GameNowMs();

// Tests replace the sleep and the clock; an empty function restores the real one.
void SetGameSleep(std::function<void(std::chrono::milliseconds)> sleep);
void SetGameNow(std::function<std::int64_t()> now);
