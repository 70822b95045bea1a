#include "platform/clock.h"

#include <sys/time.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {
namespace {
std::atomic<std::uint32_t> g_sleepDivisor{1};
}

std::uint32_t GetTickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                        static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(milliseconds);
}

LocalTime GetLocalTime() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm parts{};
    ::localtime_r(&now.tv_sec, &parts);
    LocalTime time;
    time.year = parts.tm_year + 1900;
    time.month = parts.tm_mon + 1;
    time.day = parts.tm_mday;
    time.hour = parts.tm_hour;
    time.minute = parts.tm_min;
    time.second = parts.tm_sec;
    time.millisecond = static_cast<int>(now.tv_nsec / 1000000);
    return time;
}

void SleepMilliseconds(std::uint32_t milliseconds) {
    std::uint32_t divisor = g_sleepDivisor.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds / (divisor ? divisor : 1)));
}

void SetSleepDivisor(std::uint32_t divisor) { g_sleepDivisor.store(divisor ? divisor : 1); }

}  // namespace platform
