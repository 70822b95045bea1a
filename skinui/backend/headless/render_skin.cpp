#include "skinui/backend/headless/render_skin.h"

#include "skinui/backend/headless/headless_window_system.h"
#include "skinui/label.h"
#include "skinui/skin_resources.h"
#include "skinui/window_impl_base.h"

namespace SkinUI {

namespace {

class RenderWindow : public WindowImplBase {
public:
    RenderWindow(std::wstring file, UILIB_RESOURCETYPE kind) : m_file(std::move(file)), m_kind(kind) {}
    std::wstring GetWindowClassName() const override { return L"SkinRender"; }
    std::wstring GetSkinFolder() override { return {}; }
    std::wstring GetSkinFile() override { return m_file; }
    UILIB_RESOURCETYPE GetResourceType() const override { return m_kind; }
    std::wstring GetResourceID() const override { return L"147"; }
    CControlUI* CreateControl(const std::wstring&) override { return new CLabelUI; }

private:
    std::wstring m_file;
    UILIB_RESOURCETYPE m_kind;
};

bool g_exitRequested = false;

}  // namespace

std::wstring RenderSkinToPng(const std::wstring& skinFile, const std::wstring& outputPath, const std::wstring& folder) {
    WindowSystem* previous = GetWindowSystem();
    std::wstring error;
    {
        HeadlessWindowSystem system;
        SetWindowSystem(&system);
        g_exitRequested = false;
        SetExitHandler([](int) { g_exitRequested = true; });
        if (!folder.empty()) SkinResources::Instance().SetResourcePath(folder);
        RenderWindow window(skinFile, folder.empty() ? UILIB_ZIPRESOURCE : UILIB_FILE);
        WindowHandle handle = window.Create(nullptr, L"render", WS_VISIBLE, 0);
        if (!handle || g_exitRequested) {
            error = L"cannot build " + skinFile;
        } else if (!window.GetPaintManager().GetRoot()) {
            error = L"no skin archive in this program";
        } else if (!system.WritePng(handle, outputPath)) {
            error = L"cannot write " + outputPath;
        }
        if (system.IsWindow(handle)) system.DestroyWindow(handle);
        SetExitHandler(nullptr);
    }
    SetWindowSystem(previous);
    return error;
}

}  // namespace SkinUI
