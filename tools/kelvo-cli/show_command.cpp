// show: one skin file in a real window, centred on the display, until the window is closed.
#include <cstdio>

#include "commands.h"
#include "skinui/backend/sdl/sdl_window_system.h"
#include "skinui/label.h"
#include "skinui/skin_resources.h"
#include "skinui/window_impl_base.h"
#include "utils/text.h"

namespace {

class SkinWindow : public SkinUI::WindowImplBase {
public:
    SkinWindow(std::wstring file, SkinUI::SkinSource kind) : m_file(std::move(file)), m_kind(kind) {}
    std::wstring GetWindowClassName() const override { return L"SkinShow"; }
    std::wstring GetSkinFolder() override { return {}; }
    std::wstring GetSkinFile() override { return m_file; }
    SkinUI::SkinSource GetSkinSource() const override { return m_kind; }
    int GetSkinResourceId() const override { return 147; }
    // Elements only the installer knows keep their room as plain labels.
    SkinUI::CControlUI* CreateControl(const std::wstring&) override { return new SkinUI::CLabelUI; }

private:
    std::wstring m_file;
    SkinUI::SkinSource m_kind;
};

}  // namespace

int RunShow(const Arguments& arguments) {
    const bool fromFolder = arguments.size() == 3 && arguments[1] == "--folder";
    if (arguments.size() != 1 && !fromFolder) return UsageError("show SKINFILE [--folder DIR]");
    SkinUI::SdlWindowSystem system;
    if (!system.IsReady()) {
        std::fprintf(stderr, "kelvo-cli: %s\n", Utils::WideToUtf8(system.Error()).c_str());
        return 1;
    }
    SkinUI::SetWindowSystem(&system);
    int result = 0;
    {
        if (fromFolder) SkinUI::SkinResources::Instance().SetResourcePath(Utils::Utf8ToWide(arguments[2]));
        SkinWindow window(Utils::Utf8ToWide(arguments[0]), fromFolder ? SkinUI::SkinSource::Folder : SkinUI::SkinSource::ArchiveResource);
        SkinUI::WindowHandle handle = window.Create(nullptr, L"Kelvo Kids", SkinUI::WS_OVERLAPPEDWINDOW, 0);
        if (!handle) {
            std::fprintf(stderr, "kelvo-cli: cannot open %s: %s\n", arguments[0].c_str(),
                         Utils::WideToUtf8(system.Error()).c_str());
            result = 1;
        } else {
            window.CenterWindow();
            window.ShowWindow();
            const SkinUI::UiRect r = system.GetWindowRect(handle);
            // Where the window is, for whoever captures the screen.
            std::printf("window %d %d %d %d\n", r.left, r.top, r.Width(), r.Height());
            std::fflush(stdout);
            while (system.IsWindow(handle)) {
                if (system.PumpOne(0xFFFFFFFF) == Utils::PumpStep::Quit) break;
            }
        }
    }
    SkinUI::SetWindowSystem(nullptr);
    return result;
}
