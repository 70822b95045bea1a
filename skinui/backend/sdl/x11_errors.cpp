#include "skinui/backend/sdl/x11_errors.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <mutex>

#include "utils/debug_log.h"

namespace SkinUI {

namespace {

// A request that names a window destroyed meanwhile fails with BadWindow, or BadDrawable when it
// draws; one that needs the window viewable or a sibling (input focus, restacking) fails with
// BadMatch when the window is being unmapped or destroyed. All of them come after the window's
// owner has let it go, so there is nothing left to repair.
bool IsGoneWindowError(int errorCode) {
    return errorCode == BadWindow || errorCode == BadDrawable || errorCode == BadMatch;
}

// Xlib runs the handler on the thread that happens to read the connection: the UI thread, SDL's
// timer thread, or any thread posting a message (SDL flushes its wake-up connection there, and
// the flush reads the errors waiting). One error at a time: Xlib guards its shared error texts
// only when its thread support is switched on, which is SDL's choice, not ours.
std::mutex& HandlerMutex() {
    static std::mutex mutex;
    return mutex;
}

// Only local look-ups here: a request to the server from inside the handler is not allowed.
int OnXError(Display* display, XErrorEvent* error) {
    std::lock_guard lock(HandlerMutex());
    char text[160] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    char number[16];
    std::snprintf(number, sizeof number, "%d", error->request_code);
    char request[80] = "";
    // Core requests have names in Xlib's database; an extension's (codes from 128) do not.
    XGetErrorDatabaseText(display, "XRequest", number, "an extension's request", request, sizeof request);
    DEBUG_LOG(L"X error %hs of %hs (%d.%d) on 0x%lx, serial %lu: %hs", text, request,
              static_cast<int>(error->request_code), static_cast<int>(error->minor_code), error->resourceid,
              error->serial,
              IsGoneWindowError(error->error_code) ? "the window was already gone" : "unexpected; going on");
    return 0;
}

}  // namespace

// Xlib has one error handler for all the connections of the process. It sees the protocol errors
// only: a lost connection goes to Xlib's IO error handler, and Xlib then ends the process. That
// stays as Xlib and SDL have it; without its X server the program has nothing left to show.
void InstallX11ErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] { XSetErrorHandler(OnXError); });
}

}  // namespace SkinUI
