// The local date and time as the program sees it: the score sheets' names and lines, and the seed of
// the endless mode's random difficulties. Tests fix it.
#pragma once

#include <QDateTime>

#include <cstdint>
#include <functional>

QDateTime CurrentLocalTime();
// An empty source restores the real clock.
void SetLocalTimeSource(std::function<QDateTime()> source);

// Milliseconds on the monotonic clock (since boot, never set back): for ages, not for showing.
std::int64_t MonotonicMs();
