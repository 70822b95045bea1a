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

HeadlessWindowSystem::~HeadlessWindowSystem() {
    while (!m_order.empty()) DestroyWindow(m_order.back());
}

HeadlessWindowSystem::Window* HeadlessWindowSystem::Find(WindowHandle window) {
    auto found = m_windows.find(window);
    return found == m_windows.end() ? nullptr : found->second.get();
}

const HeadlessWindowSystem::Window* HeadlessWindowSystem::Find(WindowHandle window) const {
    auto found = m_windows.find(window);
    return found == m_windows.end() ? nullptr : found->second.get();
}

WindowHandle HeadlessWindowSystem::CreateWindow(WindowProcedure* procedure, WindowHandle parent,
                                                const std::wstring& title, std::uint32_t style,
                                                std::uint32_t exStyle, UiRect rect) {
    auto window = std::make_unique<Window>();
    window->procedure = procedure;
    window->parent = Find(parent) ? parent : nullptr;
    window->title = title;
    window->style = style & ~WS_VISIBLE;
    window->exStyle = exStyle;
    if (rect.left == CW_USEDEFAULT || rect.right == CW_USEDEFAULT) rect = {100, 100, 740, 580};
    window->rect = rect;
    WindowHandle handle = reinterpret_cast<WindowHandle>(m_nextHandle++);
    m_windows[handle] = std::move(window);
    m_order.push_back(handle);
    if (SendMessage(handle, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (!IsWindow(handle)) return nullptr;
    UiRect r = Find(handle)->rect;
    SendMessage(handle, WM_SIZE, SIZE_RESTORED, MakeLParam(r.Width(), r.Height()));
    if (style & WS_VISIBLE) ShowWindow(handle, ShowCommand::Show);
    return handle;
}

void HeadlessWindowSystem::DestroyWindow(WindowHandle handle) {
    if (!Find(handle)) return;
    // Owned windows go first.
    for (WindowHandle other : std::vector<WindowHandle>(m_order)) {
        const Window* w = Find(other);
        if (w && w->parent == handle) DestroyWindow(other);
    }
    Window* window = Find(handle);
    if (!window) return;
    WindowProcedure* procedure = window->procedure;
    window->procedure = nullptr;  // a second destroy from inside the handlers does nothing
    if (!procedure) return;
    procedure->WindowProc(handle, WM_DESTROY, 0, 0);
    procedure->WindowProc(handle, WM_NCDESTROY, 0, 0);
    m_windows.erase(handle);
    std::erase(m_order, handle);
    if (m_focus == handle) m_focus = nullptr;
    if (m_foreground == handle) m_foreground = nullptr;
    if (m_capture == handle) m_capture = nullptr;
    if (m_drag.window == handle) m_drag = {};
}

bool HeadlessWindowSystem::IsWindow(WindowHandle window) const {
    const Window* w = Find(window);
    return w && w->procedure;
}

LRESULT HeadlessWindowSystem::SendMessage(WindowHandle handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = Find(handle);
    if (!window || !window->procedure) return 0;
    return window->procedure->WindowProc(handle, message, wParam, lParam);
}

bool HeadlessWindowSystem::PostMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.push_back({window, message, wParam, lParam});
    }
    m_queueSignal.notify_all();
    return true;
}

void HeadlessWindowSystem::PostQuitMessage(int exitCode) { PostMessage(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0); }

LRESULT HeadlessWindowSystem::DefWindowProc(WindowHandle window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_CLOSE) SendMessage(window, WM_CLOSE, 0, 0);
        else if (wParam == SC_MINIMIZE) ShowWindow(window, ShowCommand::Minimize);
        else if (wParam == SC_MAXIMIZE) ShowWindow(window, ShowCommand::Maximize);
        else if (wParam == SC_RESTORE) ShowWindow(window, ShowCommand::Restore);
        return 0;
    case WM_NCHITTEST:
        return HTCLIENT;
    default:
        return 0;
    }
}

void HeadlessWindowSystem::ShowWindow(WindowHandle handle, ShowCommand command) {
    Window* window = Find(handle);
    if (!window) return;
    switch (command) {
    case ShowCommand::Hide:
        if (!window->visible) return;
        window->visible = false;
        SendMessage(handle, WM_SHOWWINDOW, 0, 0);
        return;
    case ShowCommand::Show:
    case ShowCommand::ShowNoActivate: {
        bool wasVisible = window->visible;
        window->visible = true;
        window->invalid = true;
        if (!wasVisible) SendMessage(handle, WM_SHOWWINDOW, 1, 0);
        if (command == ShowCommand::Show) {
            SetForeground(handle);
            SetFocus(handle);
        }
        return;
    }
    case ShowCommand::Minimize:
        window->minimized = true;
        SendMessage(handle, WM_SIZE, SIZE_MINIMIZED, 0);
        return;
    case ShowCommand::Maximize:
        if (!window->maximized) window->restoreRect = window->rect;
        window->maximized = true;
        window->minimized = false;
        MoveWindow(handle, m_workArea);
        if (Window* w = Find(handle)) SendMessage(handle, WM_SIZE, SIZE_MAXIMIZED, MakeLParam(w->rect.Width(), w->rect.Height()));
        return;
    case ShowCommand::Restore:
        window->minimized = false;
        if (window->maximized) {
            window->maximized = false;
            MoveWindow(handle, window->restoreRect);
        } else {
            SendMessage(handle, WM_SIZE, SIZE_RESTORED, MakeLParam(window->rect.Width(), window->rect.Height()));
        }
        return;
    }
}

bool HeadlessWindowSystem::IsVisible(WindowHandle window) const {
    const Window* w = Find(window);
    return w && w->visible;
}
bool HeadlessWindowSystem::IsMinimized(WindowHandle window) const {
    const Window* w = Find(window);
    return w && w->minimized;
}
bool HeadlessWindowSystem::IsMaximized(WindowHandle window) const {
    const Window* w = Find(window);
    return w && w->maximized;
}
void HeadlessWindowSystem::EnableWindow(WindowHandle window, bool enable) {
    if (Window* w = Find(window)) w->enabled = enable;
}
bool HeadlessWindowSystem::IsEnabled(WindowHandle window) const {
    const Window* w = Find(window);
    return w && w->enabled;
}

void HeadlessWindowSystem::SetFocus(WindowHandle window) {
    if (window == m_focus || (window && !IsWindow(window))) return;
    WindowHandle old = m_focus;
    m_focus = window;
    if (old) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
    if (window) SendMessage(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
}

void HeadlessWindowSystem::SetForeground(WindowHandle window) {
    if (IsWindow(window)) m_foreground = window;
}

WindowHandle HeadlessWindowSystem::GetParent(WindowHandle window) const {
    const Window* w = Find(window);
    return w ? w->parent : nullptr;
}

void HeadlessWindowSystem::SetTitle(WindowHandle window, const std::wstring& title) {
    if (Window* w = Find(window)) w->title = title;
}

std::uint32_t HeadlessWindowSystem::GetStyle(WindowHandle window) const {
    const Window* w = Find(window);
    if (!w) return 0;
    return w->style | (w->visible ? WS_VISIBLE : 0);
}

void HeadlessWindowSystem::SetStyle(WindowHandle window, std::uint32_t style, std::uint32_t exStyle) {
    if (Window* w = Find(window)) {
        w->style = style & ~WS_VISIBLE;
        w->exStyle = exStyle;
    }
}

UiRect HeadlessWindowSystem::GetWindowRect(WindowHandle window) const {
    const Window* w = Find(window);
    return w ? w->rect : UiRect{};
}

void HeadlessWindowSystem::MoveWindow(WindowHandle handle, const UiRect& rect) {
    Window* window = Find(handle);
    if (!window) return;
    UiRect old = window->rect;
    window->rect = rect;
    if (old.left != rect.left || old.top != rect.top) SendMessage(handle, WM_MOVE, 0, MakeLParam(rect.left, rect.top));
    if (old.Width() != rect.Width() || old.Height() != rect.Height()) {
        if (Window* w = Find(handle)) w->invalid = true;
        SendMessage(handle, WM_SIZE, SIZE_RESTORED, MakeLParam(rect.Width(), rect.Height()));
    }
}

void HeadlessWindowSystem::SetRoundRegion(WindowHandle window, int ellipseWidth, int ellipseHeight) {
    if (Window* w = Find(window)) w->round = {ellipseWidth, ellipseHeight};
}

UiSize HeadlessWindowSystem::RoundRegion(WindowHandle window) const {
    const Window* w = Find(window);
    return w ? w->round : UiSize{};
}

void HeadlessWindowSystem::Invalidate(WindowHandle window) {
    if (Window* w = Find(window)) w->invalid = true;
}

void HeadlessWindowSystem::Present(WindowHandle window, const Bitmap& pixels) {
    if (Window* w = Find(window)) w->screen = pixels;
}

void HeadlessWindowSystem::SetTimer(WindowHandle window, UINT id, UINT elapse) {
    Window* w = Find(window);
    if (!w) return;
    std::uint64_t period = std::clamp<std::uint64_t>(elapse, 1, kTimerMaximum);
    w->timers[id] = {period, m_now + period};
}

void HeadlessWindowSystem::KillTimer(WindowHandle window, UINT id) {
    if (Window* w = Find(window)) w->timers.erase(id);
}

bool HeadlessWindowSystem::HasTimer(WindowHandle window, UINT id) const {
    const Window* w = Find(window);
    return w && w->timers.count(id) != 0;
}

void HeadlessWindowSystem::ShowSystemMessage(const std::wstring& text, const std::wstring& title) {
    m_systemMessages.emplace_back(text, title);
}

std::vector<WindowHandle> HeadlessWindowSystem::Windows() const { return m_order; }

bool HeadlessWindowSystem::DispatchPosted(bool& quit) {
    Posted posted;
    {
        std::lock_guard lock(m_queueMutex);
        if (m_queue.empty()) return false;
        posted = m_queue.front();
        m_queue.pop_front();
    }
    if (posted.message == WM_QUIT) {
        m_quitPosted = true;
        m_quitCode = static_cast<int>(posted.wParam);
        quit = true;
        return true;
    }
    if (!IsWindow(posted.window)) return true;  // its window is gone: dropped
    if (!CPaintManager::TranslateMessage(posted.window, posted.message, posted.wParam, posted.lParam)) {
        SendMessage(posted.window, posted.message, posted.wParam, posted.lParam);
    }
    return true;
}

bool HeadlessWindowSystem::PaintOne() {
    for (WindowHandle handle : std::vector<WindowHandle>(m_order)) {
        Window* window = Find(handle);
        if (window && window->procedure && window->invalid) {
            window->invalid = false;
            SendMessage(handle, WM_PAINT, 0, 0);
            return true;
        }
    }
    return false;
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
    if (PaintOne()) return Utils::PumpStep::Dispatched;
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
        if (!PaintOne()) break;
    }
}

LRESULT HeadlessWindowSystem::Input(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(window) || !IsEnabled(window)) return 0;  // a disabled window takes no input
    if (CPaintManager::TranslateMessage(window, message, wParam, lParam)) return 0;
    return SendMessage(window, message, wParam, lParam);
}

void HeadlessWindowSystem::MouseMove(WindowHandle window, int x, int y) {
    RunPending();
    if (m_drag.window && m_drag.window == window) {
        const Window* w = Find(window);
        UiPoint screen{w->rect.left + x, w->rect.top + y};
        UiRect r = m_drag.rect;
        r.Offset(screen.x - m_drag.start.x, screen.y - m_drag.start.y);
        MoveWindow(window, r);
        // The pointer stays on the same spot of the window while it is dragged.
        m_drag.start = {r.left + x, r.top + y};
        m_drag.rect = r;
    } else {
        Input(window, WM_MOUSEMOVE, 0, MakeLParam(x, y));
    }
    RunPending();
}

void HeadlessWindowSystem::MouseDown(WindowHandle window, int x, int y) {
    RunPending();
    if (!IsWindow(window) || !IsEnabled(window)) return;
    UiRect r = Find(window)->rect;
    LRESULT hit = SendMessage(window, WM_NCHITTEST, 0, MakeLParam(r.left + x, r.top + y));
    if (hit == HTCAPTION) {
        m_drag = {window, {r.left + x, r.top + y}, r};
    } else if (hit == HTCLIENT) {
        Input(window, WM_LBUTTONDOWN, 1, MakeLParam(x, y));
    }
    RunPending();
}

void HeadlessWindowSystem::MouseUp(WindowHandle window, int x, int y) {
    RunPending();
    if (m_drag.window) {
        m_drag = {};
    } else {
        Input(window, WM_LBUTTONUP, 0, MakeLParam(x, y));
    }
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
    Input(window, WM_KEYDOWN, key, 0);
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
            for (const auto& [id, timer] : Find(handle)->timers) {
                if (timer.due < dueAt) {
                    dueAt = timer.due;
                    dueWindow = handle;
                    dueId = id;
                }
            }
        }
        if (!dueWindow) break;
        m_now = dueAt;
        Timer& timer = Find(dueWindow)->timers[dueId];
        timer.due = m_now + timer.period;
        SendMessage(dueWindow, WM_TIMER, dueId, 0);
        RunPending();
    }
    m_now = target;
}

Bitmap HeadlessWindowSystem::Snapshot(WindowHandle window) {
    RunPending();
    const Window* w = Find(window);
    return w ? w->screen : Bitmap();
}

bool HeadlessWindowSystem::WritePng(WindowHandle window, const std::wstring& path) {
    Bitmap pixels = Snapshot(window);
    if (pixels.IsEmpty()) return false;
    return SkinUI::WritePng(pixels, path);
}

}  // namespace SkinUI
