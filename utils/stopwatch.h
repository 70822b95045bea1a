#pragma once
#include <cstdint>

namespace Utils {

class Stopwatch {
public:
    void Start();
    void Stop();
    bool IsRunning() const { return m_running; }
    // Seconds since Start; 0 when not running.
    double Elapsed() const;

private:
    std::uint32_t m_startTick = 0;
    bool m_running = false;
};

}  // namespace Utils
