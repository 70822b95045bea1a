#include "skinui/backend/window_system.h"

#include <cstdlib>

namespace SkinUI {

namespace {

WindowSystem* g_system = nullptr;
ExitHandler g_exitHandler = nullptr;

}  // namespace

WindowSystem* GetWindowSystem() { return g_system; }

void SetWindowSystem(WindowSystem* system) {
    g_system = system;
    Utils::SetMessageSource(system);
}

void SetExitHandler(ExitHandler handler) { g_exitHandler = handler; }

void ExitProcess(int exitCode) {
    if (g_exitHandler) {
        g_exitHandler(exitCode);
        return;
    }
    std::exit(exitCode);
}

}  // namespace SkinUI
