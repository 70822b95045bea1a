// show: one skin file in a real window, centred on the display, until the window is closed. The
// installer's boxes are shown as boxes: modal, with their results ("result N" at the end).
#include <cstdio>
#include <optional>

#include "commands.h"
#include "skinui/backend/sdl/sdl_window_system.h"
#include "skinui/markup/value_parser.h"
#include "skinui/skin_resources.h"
#include "ui/message_box.h"
#include "utils/text.h"

// The window system's names, which are Windows' own macros where its headers have been seen.
using namespace SkinUI;

namespace {

constexpr const char* kUsage = "show SKINFILE [--folder DIR] [--text TEXT] [--caption CAPTION]";

bool IsBoxFile(const std::wstring& file) {
    for (const wchar_t* box : {L"MessageBox1Wnd.xml", L"MessageBox2Wnd.xml", L"exitTipWnd.xml", L"NetworkTipWnd.xml",
                               L"InstalledPathTipWnd.xml"}) {
        if (SkinUI::EqualsNoCase(file, box)) return true;
    }
    return false;
}

// Where the window is, for whoever captures the screen or clicks on it.
void PrintPlace(SkinUI::WindowSystem& system, SkinUI::WindowHandle window) {
    const SkinUI::UiRect r = system.GetWindowRect(window);
    std::printf("window %d %d %d %d\n", r.left, r.top, r.Width(), r.Height());
    std::fflush(stdout);
}

}  // namespace

int RunShow(const Arguments& arguments) {
    std::vector<std::string> positional;
    std::optional<std::wstring> folder, text, caption;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.rfind("--", 0) != 0) {
            positional.push_back(argument);
            continue;
        }
        if (i + 1 >= arguments.size()) return UsageError(kUsage);
        const std::wstring value = Utils::Utf8ToWide(arguments[++i]);
        if (argument == "--folder") folder = value;
        else if (argument == "--text") text = value;
        else if (argument == "--caption") caption = value;
        else return UsageError(kUsage);
    }
    if (positional.size() != 1) return UsageError(kUsage);
    SkinUI::SdlWindowSystem system;
    if (!system.IsReady()) {
        std::fprintf(stderr, "kelvo-cli: %s\n", Utils::WideToUtf8(system.Error()).c_str());
        return 1;
    }
    SkinUI::SetWindowSystem(&system);
    CWndShadow::Initialize();
    int result = 0;
    {
        if (folder) SkinUI::SkinResources::Instance().SetResourcePath(*folder);
        const std::wstring file = Utils::Utf8ToWide(positional[0]);
        WindowDescriptor descriptor = WindowDescriptor::ForSkinFile(file);
        if (folder) descriptor.resourceKind = static_cast<int>(SkinUI::SkinSource::Folder);
        if (IsBoxFile(file)) {
            bool shown = false;
            SetMessageBoxHook([&](CMessageBoxWnd& box) {
                shown = true;
                box.SetIcon(145);
                PrintPlace(system, box.GetHWND());
            });
            const int answer = ShowMessageBox(nullptr, descriptor, text, caption);
            SetMessageBoxHook(nullptr);
            if (shown) {
                std::printf("result %d\n", answer);
            } else {
                std::fprintf(stderr, "kelvo-cli: cannot open %s: %s\n", positional[0].c_str(),
                             Utils::WideToUtf8(system.Error()).c_str());
                result = 1;
            }
        } else {
            CSkinFrame window(descriptor);
            SkinUI::WindowHandle handle = window.Create(nullptr, L"Kelvo Kids", WS_OVERLAPPEDWINDOW, 0);
            if (!handle) {
                std::fprintf(stderr, "kelvo-cli: cannot open %s: %s\n", positional[0].c_str(),
                             Utils::WideToUtf8(system.Error()).c_str());
                result = 1;
            } else {
                window.SetIcon(145);
                window.CenterWindow();
                window.ShowWindow();
                PrintPlace(system, handle);
                while (system.IsWindow(handle)) {
                    if (system.PumpOne(0xFFFFFFFF) == Utils::PumpStep::Quit) break;
                }
            }
        }
    }
    SkinUI::SetWindowSystem(nullptr);
    return result;
}
