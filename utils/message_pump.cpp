#include "utils/message_pump.h"

#include <atomic>

#include "platform/clock.h"

namespace Utils {
namespace {
constexpr std::uint32_t kPumpMilliseconds = 100;
std::atomic<MessageSource*> g_source{nullptr};
}  // namespace

void SetMessageSource(MessageSource* source) { g_source.store(source); }

bool PumpMessages(WindowHandle window) {
    MessageSource* source = g_source.load();
    const std::uint32_t start = platform::GetTickCount();
    while (true) {
        std::uint32_t elapsed = platform::GetTickCount() - start;
        if (elapsed > kPumpMilliseconds) return true;
        if (!source) {
            platform::SleepMilliseconds(kPumpMilliseconds + 1 - elapsed);
            continue;
        }
        if (window && !source->WindowExists(window)) return false;
        if (source->PumpOne(kPumpMilliseconds + 1 - elapsed) != PumpStep::Dispatched) return false;
    }
}

}  // namespace Utils
