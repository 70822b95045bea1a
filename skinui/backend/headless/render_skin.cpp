#include "skinui/backend/headless/render_skin.h"

#include "skinui/backend/headless/headless_window_system.h"
#include "skinui/combo.h"
#include "skinui/container.h"
#include "skinui/label.h"
#include "skinui/progress.h"
#include "skinui/skin_resources.h"
#include "skinui/window_impl_base.h"

namespace SkinUI {

namespace {

class RenderWindow : public WindowImplBase {
public:
    RenderWindow(std::wstring file, SkinSource kind) : m_file(std::move(file)), m_kind(kind) {}
    std::wstring GetWindowClassName() const override { return L"SkinRender"; }
    std::wstring GetSkinFolder() override { return {}; }
    std::wstring GetSkinFile() override { return m_file; }
    SkinSource GetSkinSource() const override { return m_kind; }
    int GetSkinResourceId() const override { return 147; }
    CControlUI* CreateControl(const std::wstring&) override { return new CLabelUI; }

private:
    std::wstring m_file;
    SkinSource m_kind;
};

bool g_exitRequested = false;

// The tab layout with the most pages; the first of equals in tree order.
CTabLayoutUI* MainTabLayout(CControlUI* root) {
    CTabLayoutUI* best = nullptr;
    root->FindControl(
        [&best](CControlUI* control) -> CControlUI* {
            auto* tab = static_cast<CTabLayoutUI*>(control->As(L"TabLayout"));
            if (tab && (!best || tab->GetCount() > best->GetCount())) best = tab;
            return nullptr;
        },
        kFindAll | kFindSelfFirst);
    return best;
}

void SetEveryProgress(CControlUI* root, int value) {
    root->FindControl(
        [value](CControlUI* control) -> CControlUI* {
            if (auto* bar = static_cast<CProgressUI*>(control->As(L"Progress"))) bar->SetValue(value);
            return nullptr;
        },
        kFindAll);
}

// Puts the pointer on the centre of the named control, pressing it when asked.
std::wstring Point(HeadlessWindowSystem& system, WindowHandle handle, CPaintManager& manager,
                   const std::wstring& name, bool press) {
    system.RunPending();  // lays the window out
    CControlUI* control = manager.FindControl(name);
    if (!control || !control->IsVisible() || control->GetPos().IsEmpty()) return L"no visible control " + name;
    const UiRect& pos = control->GetPos();
    int x = pos.left + pos.Width() / 2, y = pos.top + pos.Height() / 2;
    system.MouseMove(handle, x, y);
    if (press) system.MouseDown(handle, x, y);
    return {};
}

std::wstring Render(HeadlessWindowSystem& system, WindowImplBase& window, WindowHandle handle,
                    const std::wstring& outputPath, const RenderOptions& options) {
    CPaintManager& manager = window.GetPaintManager();
    CControlUI* root = manager.GetRoot();
    if (!root) return L"no skin archive in this program";
    if (options.prepare) {
        std::wstring error = options.prepare(manager);
        if (!error.empty()) return error;
    }
    if (options.page >= 0) {
        CTabLayoutUI* tab = MainTabLayout(root);
        if (!tab || !tab->SelectItem(options.page)) return L"no page " + std::to_wstring(options.page);
    }
    if (options.progress >= 0) SetEveryProgress(root, options.progress);
    if (!options.hot.empty()) {
        std::wstring error = Point(system, handle, manager, options.hot, false);
        if (!error.empty()) return error;
    }
    if (!options.pushed.empty()) {
        std::wstring error = Point(system, handle, manager, options.pushed, true);
        if (!error.empty()) return error;
    }
    if (!options.open.empty()) {
        system.RunPending();  // lays the window out
        CControlUI* control = manager.FindControl(options.open);
        auto* combo = control ? static_cast<CComboUI*>(control->As(L"Combo")) : nullptr;
        if (!combo) return L"no combo " + options.open;
        if (!combo->OpenList()) return L"cannot open the list of " + options.open;
    }
    if (options.withShadow || !options.open.empty()) {
        if (!WritePng(system.Composite(handle), outputPath)) return L"cannot write " + outputPath;
        return {};
    }
    if (!system.WritePng(handle, outputPath)) return L"cannot write " + outputPath;
    return {};
}

}  // namespace

std::wstring RenderSkinToPng(const std::wstring& skinFile, const std::wstring& outputPath,
                             const RenderOptions& options) {
    WindowSystem* previous = GetWindowSystem();
    std::wstring error;
    {
        HeadlessWindowSystem system;
        SetWindowSystem(&system);
        g_exitRequested = false;
        SetExitHandler([](int) { g_exitRequested = true; });
        if (!options.folder.empty()) SkinResources::Instance().SetResourcePath(options.folder);
        const SkinSource source = options.folder.empty() ? SkinSource::ArchiveResource : SkinSource::Folder;
        std::unique_ptr<WindowImplBase> window = options.makeWindow ? options.makeWindow(skinFile, source)
                                                                    : std::make_unique<RenderWindow>(skinFile, source);
        WindowHandle handle = window->Create(nullptr, L"render", WS_VISIBLE, 0);
        if (!handle || g_exitRequested) {
            error = L"cannot build " + skinFile;
        } else {
            error = Render(system, *window, handle, outputPath, options);
        }
        if (system.IsWindow(handle)) system.DestroyWindow(handle);
        window.reset();
        SetExitHandler(nullptr);
    }
    SetWindowSystem(previous);
    return error;
}

}  // namespace SkinUI
