#include "platform/clock.h"

#include <windows.h>

#include <atomic>

namespace platform {
namespace {
std::atomic<std::uint32_t> g_sleepDivisor{1};
}

std::uint32_t GetTickCount() { return static_cast<std::uint32_t>(::GetTickCount64()); }

LocalTime GetLocalTime() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    LocalTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    time.millisecond = now.wMilliseconds;
    return time;
}

void SleepMilliseconds(std::uint32_t milliseconds) {
    const std::uint32_t divisor = g_sleepDivisor.load();
    ::Sleep(milliseconds / (divisor ? divisor : 1));
}

void SetSleepDivisor(std::uint32_t divisor) { g_sleepDivisor.store(divisor ? divisor : 1); }

}  // namespace platform
