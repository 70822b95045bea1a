#pragma once
// A short message pump for the thread that owns the windows. The window system registers how
// one message is taken and dispatched; without one, the pump only lets the time pass.
#include <cstdint>

namespace Utils {

using WindowHandle = void*;

enum class PumpStep {
    Dispatched,     // one message handled (or the wait for one ended)
    Quit,           // a quit message came; it has been posted again
    WindowGone,     // the given window no longer exists
};

class MessageSource {
public:
    virtual ~MessageSource() = default;
    virtual bool WindowExists(WindowHandle window) = 0;
    // Waits at most the given time for one message and dispatches it.
    virtual PumpStep PumpOne(std::uint32_t waitMilliseconds) = 0;
};

// Installed by the UI framework; null removes it.
void SetMessageSource(MessageSource* source);

// Handles the thread's messages for about 100 ms. True when stopped by time; false when the
// window is gone or a quit message came.
bool PumpMessages(WindowHandle window);

}  // namespace Utils
