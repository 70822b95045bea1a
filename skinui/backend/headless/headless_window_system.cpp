#include "skinui/backend/headless/headless_window_system.h"

#include <algorithm>
#include <chrono>

#include "skinui/control.h"
#include "skinui/paint_manager.h"
#include "skinui/render/image.h"

namespace SkinUI {

namespace {

constexpr std::uint64_t kTimerMaximum = 0x7FFFFFFF;  // longer periods are capped, as Windows does

}  // namespace

HeadlessWindowSystem::HeadlessWindowSystem() = default;

HeadlessWindowSystem::~HeadlessWindowSystem() { DestroyAllWindows(); }

bool HeadlessWindowSystem::PostMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.push_back({window, message, wParam, lParam});
    }
    m_queueSignal.notify_all();
    return true;
}

void HeadlessWindowSystem::Present(WindowHandle handle, const Bitmap& pixels, const UiRect& area) {
    HeadlessWindow* window = FindHeadless(handle);
    if (!window) return;
    ++window->presents;
    window->lastPresented = Intersect(area, pixels.Bounds());
    KeepPresented(*window, pixels, area);
}

int HeadlessWindowSystem::PresentCount(WindowHandle window) const {
    const HeadlessWindow* w = FindHeadless(window);
    return w ? w->presents : 0;
}

UiRect HeadlessWindowSystem::LastPresented(WindowHandle window) const {
    const HeadlessWindow* w = FindHeadless(window);
    return w ? w->lastPresented : UiRect{};
}

Bitmap HeadlessWindowSystem::Icon(WindowHandle window) const {
    const HeadlessWindow* w = FindHeadless(window);
    return w ? w->icon : Bitmap();
}

void HeadlessWindowSystem::SetTimer(WindowHandle window, UINT id, UINT elapse) {
    HeadlessWindow* w = FindHeadless(window);
    if (!w) return;
    std::uint64_t period = std::clamp<std::uint64_t>(elapse, 1, kTimerMaximum);
    w->timers[id] = {period, m_now + period};
}

void HeadlessWindowSystem::KillTimer(WindowHandle window, UINT id) {
    if (HeadlessWindow* w = FindHeadless(window)) w->timers.erase(id);
}

bool HeadlessWindowSystem::HasTimer(WindowHandle window, UINT id) const {
    const HeadlessWindow* w = FindHeadless(window);
    return w && w->timers.count(id) != 0;
}

bool HeadlessWindowSystem::DispatchPosted(bool& quit) {
    Posted posted;
    {
        std::lock_guard lock(m_queueMutex);
        if (m_queue.empty()) return false;
        posted = m_queue.front();
        m_queue.pop_front();
    }
    DeliverPosted(posted.window, posted.message, posted.wParam, posted.lParam, quit);
    return true;
}

Utils::PumpStep HeadlessWindowSystem::PumpOne(std::uint32_t waitMilliseconds) {
    bool quit = false;
    if (DispatchPosted(quit)) {
        if (quit) {
            PostQuitMessage(m_quitCode);  // for the loop outside this one
            return Utils::PumpStep::Quit;
        }
        return Utils::PumpStep::Dispatched;
    }
    if (PaintOne(true)) return Utils::PumpStep::Dispatched;
    if (m_idleHook && m_idleHook()) return Utils::PumpStep::Dispatched;
    std::unique_lock lock(m_queueMutex);
    auto ready = [this] { return !m_queue.empty(); };
    if (waitMilliseconds == 0xFFFFFFFF) m_queueSignal.wait(lock, ready);
    else m_queueSignal.wait_for(lock, std::chrono::milliseconds(waitMilliseconds), ready);
    return Utils::PumpStep::Dispatched;
}

void HeadlessWindowSystem::RunPending() {
    for (;;) {
        bool quit = false;
        if (DispatchPosted(quit)) continue;  // a quit is only recorded here
        if (!PaintOne(true)) break;
    }
}

void HeadlessWindowSystem::MouseMove(WindowHandle window, int x, int y) {
    RunPending();
    if (!DragTo(window, x, y)) Input(window, WM_MOUSEMOVE, 0, MakeLParam(x, y));
    RunPending();
}

void HeadlessWindowSystem::MouseDown(WindowHandle window, int x, int y) {
    RunPending();
    if (IsWindow(window) && IsEnabled(window)) PressAt(window, x, y, WM_LBUTTONDOWN, 1);
    RunPending();
}

void HeadlessWindowSystem::MouseUp(WindowHandle window, int x, int y) {
    RunPending();
    if (!EndDrag()) Input(window, WM_LBUTTONUP, 0, MakeLParam(x, y));
    RunPending();
}

void HeadlessWindowSystem::Click(WindowHandle window, int x, int y) {
    MouseMove(window, x, y);
    MouseDown(window, x, y);
    MouseUp(window, x, y);
}

void HeadlessWindowSystem::MouseLeave(WindowHandle window) {
    RunPending();
    Input(window, WM_MOUSELEAVE, 0, 0);
    RunPending();
}

void HeadlessWindowSystem::MouseWheel(WindowHandle window, int x, int y, int delta) {
    RunPending();
    const UiRect rect = GetWindowRect(window);
    // WM_MOUSEWHEEL carries the point in screen coordinates.
    Input(window, WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<std::uint16_t>(delta)) << 16,
          MakeLParam(rect.left + x, rect.top + y));
    RunPending();
}

bool HeadlessWindowSystem::ClickControl(WindowHandle window, const CControlUI* control) {
    RunPending();  // lays the window out
    if (!control || !control->IsVisible() || !IsWindow(window)) return false;
    const UiRect& pos = control->GetPos();
    if (pos.IsEmpty()) return false;
    Click(window, pos.left + pos.Width() / 2, pos.top + pos.Height() / 2);
    return true;
}

bool HeadlessWindowSystem::ClickControl(WindowHandle window, const std::wstring& name) {
    CPaintManager* manager = CPaintManager::FromWindow(window);
    return manager && ClickControl(window, manager->FindControl(name));
}

void HeadlessWindowSystem::KeyDown(WindowHandle window, WPARAM key) {
    RunPending();
    if (IsKeyDown(VK_MENU)) Input(window, WM_SYSKEYDOWN, key, kAltHeld);
    else Input(window, WM_KEYDOWN, key, 0);
    RunPending();
}

void HeadlessWindowSystem::Char(WindowHandle window, wchar_t character) {
    RunPending();
    Input(window, WM_CHAR, static_cast<WPARAM>(character), 0);
    RunPending();
}

void HeadlessWindowSystem::HoldKey(WPARAM virtualKey, bool down) {
    if (down) m_heldKeys.insert(virtualKey);
    else m_heldKeys.erase(virtualKey);
}

void HeadlessWindowSystem::Compose(WindowHandle window, const std::wstring& text) {
    RunPending();
    const bool wasComposing = !m_composition.empty();
    m_composition = text;
    if (!text.empty()) Input(window, WM_IME_COMPOSITION, text.size(), GCS_COMPSTR);
    else if (wasComposing) Input(window, WM_IME_ENDCOMPOSITION, 0, 0);
    RunPending();
}

void HeadlessWindowSystem::AdvanceTime(std::uint32_t milliseconds) {
    const std::uint64_t target = m_now + milliseconds;
    RunPending();
    for (;;) {
        WindowHandle dueWindow = nullptr;
        UINT dueId = 0;
        std::uint64_t dueAt = target + 1;
        for (WindowHandle handle : m_order) {
            for (const auto& [id, timer] : FindHeadless(handle)->timers) {
                if (timer.due < dueAt) {
                    dueAt = timer.due;
                    dueWindow = handle;
                    dueId = id;
                }
            }
        }
        if (!dueWindow) break;
        m_now = dueAt;
        Timer& timer = FindHeadless(dueWindow)->timers[dueId];
        timer.due = m_now + timer.period;
        SendMessage(dueWindow, WM_TIMER, dueId, 0);
        RunPending();
    }
    m_now = target;
}

Bitmap HeadlessWindowSystem::Snapshot(WindowHandle window) {
    RunPending();
    const HeadlessWindow* w = FindHeadless(window);
    return w ? w->presented : Bitmap();
}

Bitmap HeadlessWindowSystem::Composite(WindowHandle handle) {
    Bitmap window = Snapshot(handle);
    const HeadlessWindow* record = FindHeadless(handle);
    if (!record || window.IsEmpty()) return window;
    UiRect bounds = record->rect;
    std::vector<const WindowRecord*> layers, popups;
    for (WindowHandle other : m_order) {
        const HeadlessWindow* w = FindHeadless(other);
        if (!w || w->parent != handle || !w->visible) continue;
        if (w->IsLayered() && !w->layered.IsEmpty()) layers.push_back(w);
        else if ((w->exStyle & WS_EX_NOACTIVATE) && !w->presented.IsEmpty()) popups.push_back(w);
        else continue;
        bounds = Union(bounds, w->rect);
    }
    Bitmap picture(bounds.Width(), bounds.Height(), 0);
    auto blend = [&](const Bitmap& pixels, const UiRect& place) {
        const int height = std::min(pixels.Height(), place.Height()), width = std::min(pixels.Width(), place.Width());
        for (int y = 0; y < height; ++y) {
            std::uint32_t* row = picture.Row(place.top - bounds.top + y) + (place.left - bounds.left);
            for (int x = 0; x < width; ++x) row[x] = BlendPixel(row[x], pixels.At(x, y));
        }
    };
    for (const WindowRecord* layer : layers) blend(layer->layered, layer->rect);
    blend(window, record->rect);
    for (const WindowRecord* popup : popups) blend(static_cast<const HeadlessWindow*>(popup)->presented, popup->rect);
    return picture;
}

bool HeadlessWindowSystem::WritePng(WindowHandle window, const std::wstring& path) {
    Bitmap pixels = Snapshot(window);
    if (pixels.IsEmpty()) return false;
    return SkinUI::WritePng(pixels, path);
}

}  // namespace SkinUI
