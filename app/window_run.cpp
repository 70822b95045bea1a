// The installer with its window: the main window on the display until it closes.
#include "app/window_run.h"

#include <cstdio>

#include "skinui/backend/sdl/sdl_window_system.h"
#include "skinui/render/text_renderer.h"
#include "ui/main_wnd.h"
#include "utils/text.h"
#include "utils/thread.h"

// The window system's names, which are Windows' own macros where its headers have been seen.
using namespace SkinUI;

namespace {

// The fonts of the main window are looked up and loaded on the side while the display opens
// (fontconfig's configuration and the font files serve every thread): the window's first frame
// comes sooner.
void WarmFonts(void*) {
    SkinUI::Bitmap scratch(64, 32);
    for (int size : {12, 14, 15, 16, 18, 22}) {
        for (bool bold : {false, true}) {
            SkinUI::FontSpec font;
            font.size = size;
            font.bold = bold;
            SkinUI::DrawText(scratch, scratch.Bounds(), scratch.Bounds(), L"立即安装 Kelvo 0%", font, 0xFF000000, 0);
        }
    }
}

}  // namespace

int RunWindow() {
    Utils::Thread warm(nullptr, L"WarmFonts", WarmFonts);
    warm.Resume();
    SkinUI::SdlWindowSystem system;
    if (!system.IsReady()) {
        std::fprintf(stderr, "KelvoKidsInstaller: %s\nKelvoKidsInstaller needs a display; -silent=true installs without one.\n",
                     Utils::WideToUtf8(system.Error()).c_str());
        warm.Join();
        return 1;
    }
    SkinUI::SetWindowSystem(&system);
    CWndShadow::Initialize();
    int result = 0;
    {
        CMainWnd window;
        // Made hidden and shown only once it stands centred and has asked about an earlier
        // installation (which may close it before it is ever seen).
        SkinUI::WindowHandle handle = window.Create(nullptr, CMainWnd::kTitle, WS_OVERLAPPEDWINDOW, 0);
        if (!handle) {
            std::fprintf(stderr, "KelvoKidsInstaller: cannot open the window: %s\n",
                         Utils::WideToUtf8(system.Error()).c_str());
            result = 1;
        } else {
            window.CenterWindow();
            if (!window.IsClosing()) window.ShowWindow();
            while (system.IsWindow(handle)) {
                if (system.PumpOne(0xFFFFFFFF) == Utils::PumpStep::Quit) break;
            }
        }
    }
    SkinUI::SetWindowSystem(nullptr);
    warm.Join();
    return result;
}

