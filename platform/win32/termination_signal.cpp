#include "platform/termination_signal.h"

#include <windows.h>

#include <atomic>

namespace platform {
namespace {

std::atomic<int> g_request{0};
HANDLE g_arrived = nullptr;

// Runs on a thread the system starts; the request is handed to the waiting thread, and the
// handler answers that it was handled, so the process is not ended under it. A closing console,
// a log-off or a shut-down end the process once the handler returns, whatever it answers: the
// wait has the time until then to finish.
BOOL WINAPI OnControl(DWORD kind) {
    switch (kind) {
        case CTRL_C_EVENT: g_request = 2; break;
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT: g_request = 15; break;
        default: return FALSE;
    }
    ::SetEvent(g_arrived);
    if (kind == CTRL_CLOSE_EVENT || kind == CTRL_LOGOFF_EVENT || kind == CTRL_SHUTDOWN_EVENT) ::Sleep(5000);
    return TRUE;
}

}  // namespace

void HoldTerminationRequests() {
    if (g_arrived) return;
    g_arrived = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(OnControl, TRUE);
}

int WaitForTerminationRequest() {
    HoldTerminationRequests();
    ::WaitForSingleObject(g_arrived, INFINITE);
    return g_request.load();
}

}  // namespace platform
