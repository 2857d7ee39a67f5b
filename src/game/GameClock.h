// All waiting of the game logic goes through GameSleep, so tests can run whole games in virtual time.
#pragma once

#include <chrono>
#include <functional>

void GameSleep(std::chrono::milliseconds duration);

// Tests replace the sleep; an empty function restores real sleeping.
void SetGameSleep(std::function<void(std::chrono::milliseconds)> sleep);
