#include "utils/stopwatch.h"

#include "platform/clock.h"

namespace Utils {

void Stopwatch::Start() {
    m_startTick = platform::GetTickCount();
    m_running = true;
}

void Stopwatch::Stop() { m_running = false; }

double Stopwatch::Elapsed() const {
    if (!m_running) return 0.0;
    // Unsigned subtraction stays right across the tick counter's wrap.
    return static_cast<double>(platform::GetTickCount() - m_startTick) / 1000.0;
}

}  // namespace Utils
