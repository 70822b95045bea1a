#pragma once
// Time. Waits the product specifies go through SleepMilliseconds, which tests may shorten.
#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, wrapping like a 32-bit tick counter.
std::uint32_t GetTickCount();

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};
LocalTime GetLocalTime();

void SleepMilliseconds(std::uint32_t milliseconds);

// Divides every later SleepMilliseconds by the factor (1 restores real time). For tests.
void SetSleepDivisor(std::uint32_t divisor);

}  // namespace platform
