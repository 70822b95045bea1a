#include "skinui/paint_manager.h"

#include <algorithm>

#include "platform/clock.h"
#include "skinui/backend/window_system.h"

namespace SkinUI {

namespace {

std::vector<CPaintManager*>& Managers() {
    static std::vector<CPaintManager*> managers;
    return managers;
}

constexpr UINT kQueuedNotifyMessage = WM_APP + 1;

UiPoint PointOf(LPARAM lParam) { return {LowWord(lParam), HighWord(lParam)}; }

}  // namespace

CPaintManager::CPaintManager() { Managers().push_back(this); }

CPaintManager::~CPaintManager() {
    ReleaseRoot();
    auto& managers = Managers();
    managers.erase(std::remove(managers.begin(), managers.end(), this), managers.end());
}

void CPaintManager::Init(WindowHandle window) { m_window = window; }

bool CPaintManager::AttachRoot(CControlUI* root) {
    if (!root) return false;
    ReleaseRoot();
    m_root = root;
    m_root->SetManager(this, nullptr, true);
    NeedLayout();
    return true;
}

void CPaintManager::ReleaseRoot() {
    if (!m_root) return;
    CControlUI* root = m_root;
    m_root = nullptr;
    delete root;
    m_names.clear();
    m_focus = m_hover = m_captured = nullptr;
}

CControlUI* CPaintManager::FindControl(const std::wstring& name) const {
    auto found = m_names.find(name);
    return found == m_names.end() ? nullptr : found->second;
}

CControlUI* CPaintManager::FindControl(UiPoint point) {
    if (!m_root) return nullptr;
    LayOutIfNeeded();
    return m_root->FindControl(
        [point](CControlUI* control) -> CControlUI* {
            return control->GetPos().Contains(point) ? control : nullptr;
        },
        kFindVisible | kFindHitTest | kFindTopFirst);
}

void CPaintManager::NameControl(CControlUI* control) {
    if (!control->GetName().empty()) m_names.try_emplace(control->GetName(), control);
}

void CPaintManager::ForgetControl(CControlUI* control) {
    if (m_focus == control) m_focus = nullptr;
    if (m_hover == control) m_hover = nullptr;
    if (m_captured == control) m_captured = nullptr;
    for (auto it = m_names.begin(); it != m_names.end();) {
        it = it->second == control ? m_names.erase(it) : std::next(it);
    }
    KillTimer(control);
    if (m_delivering) {
        for (Notification& n : *m_delivering) {
            if (n.sender == control) n = Notification{};
        }
    }
    std::lock_guard lock(m_asyncMutex);
    std::erase_if(m_asyncNotify, [control](const Notification& n) { return n.sender == control; });
}

void CPaintManager::SetWindowAttribute(const std::wstring& name, const std::wstring& value) {
    for (auto& [key, stored] : m_windowAttributes) {
        if (key == name) {
            stored = value;
            return;
        }
    }
    m_windowAttributes.emplace_back(name, value);
}

std::wstring CPaintManager::GetWindowAttribute(const std::wstring& name) const {
    for (const auto& [key, value] : m_windowAttributes) {
        if (key == name) return value;
    }
    return {};
}

void CPaintManager::AddFont(int id, const FontSpec& font, bool isDefault) {
    m_fonts[id] = font;
    if (isDefault) m_defaultFont = font;
}

const FontSpec& CPaintManager::GetFont(int id) const {
    auto found = m_fonts.find(id);
    return (id >= 0 && found != m_fonts.end()) ? found->second : m_defaultFont;
}

int CPaintManager::MeasureTextWidth(const std::wstring& text, int fontId) const {
    return MeasureText(text, GetFont(fontId)).cx;
}

void CPaintManager::AddNotifier(INotifySink* sink) {
    if (std::find(m_notifiers.begin(), m_notifiers.end(), sink) == m_notifiers.end()) m_notifiers.push_back(sink);
}

void CPaintManager::RemoveNotifier(INotifySink* sink) { std::erase(m_notifiers, sink); }

void CPaintManager::SendNotify(CControlUI* control, const std::wstring& type, WPARAM wParam, LPARAM lParam,
                               bool async, bool enableRepeat) {
    Notification message;
    message.type = type;
    message.sender = control;
    message.wParam = wParam;
    message.lParam = lParam;
    SendNotify(message, async, enableRepeat);
}

void CPaintManager::SendNotify(Notification& message, bool async, bool enableRepeat) {
    message.timestamp = platform::GetTickCount();
    if (!async) {
        if (message.sender && message.virtualWindow.empty()) message.virtualWindow = message.sender->GetVirtualWnd();
        message.mouse = m_lastMouse;
        std::vector<INotifySink*> sinks = m_notifiers;
        for (INotifySink* sink : sinks) {
            if (std::find(m_notifiers.begin(), m_notifiers.end(), sink) != m_notifiers.end()) sink->Notify(message);
        }
        return;
    }
    bool post = false;
    {
        std::lock_guard lock(m_asyncMutex);
        bool updated = false;
        if (!enableRepeat) {
            for (Notification& queued : m_asyncNotify) {
                if (queued.sender == message.sender && queued.type == message.type) {
                    queued = message;
                    updated = true;
                    break;
                }
            }
        }
        if (!updated) m_asyncNotify.push_back(message);
        if (!m_asyncPosted) {
            m_asyncPosted = true;
            post = true;
        }
    }
    if (post && m_window && GetWindowSystem()) {
        GetWindowSystem()->PostMessage(m_window, kQueuedNotifyMessage, 0, 0);
    }
}

void CPaintManager::DeliverQueued() {
    std::vector<Notification> batch;
    {
        std::lock_guard lock(m_asyncMutex);
        batch.swap(m_asyncNotify);
        m_asyncPosted = false;
    }
    // A handler may remove controls whose notifications are still in this batch; ForgetControl
    // blanks those entries through this pointer.
    std::vector<Notification>* outer = m_delivering;
    m_delivering = &batch;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (batch[i].type.empty()) continue;
        Notification message = batch[i];
        message.mouse = m_lastMouse;
        // Read here rather than by the sender, which may be another thread.
        if (message.sender && message.virtualWindow.empty()) message.virtualWindow = message.sender->GetVirtualWnd();
        std::vector<INotifySink*> sinks = m_notifiers;
        for (INotifySink* sink : sinks) {
            if (std::find(m_notifiers.begin(), m_notifiers.end(), sink) != m_notifiers.end()) sink->Notify(message);
        }
    }
    m_delivering = outer;
}

void CPaintManager::AddPreMessageFilter(IMessageFilter* filter, bool first) {
    if (std::find(m_preFilters.begin(), m_preFilters.end(), filter) != m_preFilters.end()) return;
    m_preFilters.insert(first ? m_preFilters.begin() : m_preFilters.end(), filter);
}
void CPaintManager::RemovePreMessageFilter(IMessageFilter* filter) { std::erase(m_preFilters, filter); }
void CPaintManager::AddMessageFilter(IMessageFilter* filter) {
    if (std::find(m_filters.begin(), m_filters.end(), filter) == m_filters.end()) m_filters.push_back(filter);
}
void CPaintManager::RemoveMessageFilter(IMessageFilter* filter) { std::erase(m_filters, filter); }

bool CPaintManager::SetTimer(CControlUI* control, UINT id, UINT elapse) {
    WindowSystem* system = GetWindowSystem();
    if (!control || !m_window || !system) return false;
    for (TimerInfo& timer : m_timers) {
        if (timer.sender == control && timer.id == id) {
            timer.killed = false;
            system->SetTimer(m_window, timer.windowTimer, elapse);
            return true;
        }
    }
    // Window timers are numbered 1 to 255 in turn; a number still held by another pair is
    // skipped, so that two pairs never share (and re-arm) one window timer. Past that the
    // numbers go on upwards.
    UINT number = 0;
    for (int tries = 0; tries < 255 && number == 0; ++tries) {
        m_timerCounter = m_timerCounter % 255 + 1;
        if (!WindowTimerInUse(m_timerCounter)) number = m_timerCounter;
    }
    if (number == 0) {
        number = 256;
        while (WindowTimerInUse(number)) ++number;
    }
    m_timers.push_back({control, id, number, false});
    system->SetTimer(m_window, number, elapse);
    return true;
}

bool CPaintManager::WindowTimerInUse(UINT number) const {
    for (const TimerInfo& timer : m_timers) {
        if (timer.windowTimer == number) return true;
    }
    return false;
}

bool CPaintManager::KillTimer(CControlUI* control, UINT id) {
    for (TimerInfo& timer : m_timers) {
        if (timer.sender == control && timer.id == id) {
            if (!timer.killed && m_window && GetWindowSystem()) GetWindowSystem()->KillTimer(m_window, timer.windowTimer);
            timer.killed = true;
            return true;
        }
    }
    return false;
}

void CPaintManager::KillTimer(CControlUI* control) {
    for (TimerInfo& timer : m_timers) {
        if (timer.sender == control && !timer.killed && m_window && GetWindowSystem()) {
            GetWindowSystem()->KillTimer(m_window, timer.windowTimer);
        }
    }
    std::erase_if(m_timers, [control](const TimerInfo& timer) { return timer.sender == control; });
}

void CPaintManager::SetFocus(CControlUI* control) {
    if (control == m_focus) return;
    if (m_focus) {
        UiEvent event{UiEventType::KillFocus, m_focus, platform::GetTickCount(), m_lastMouse};
        CControlUI* old = m_focus;
        m_focus = nullptr;
        old->Event(event);
    }
    if (control && control->GetManager() == this && control->IsVisible() && control->IsEnabled()) {
        m_focus = control;
        UiEvent event{UiEventType::SetFocus, control, platform::GetTickCount(), m_lastMouse};
        control->Event(event);
    }
}

void CPaintManager::Invalidate() {
    if (m_painting) return;
    if (m_window && GetWindowSystem()) GetWindowSystem()->Invalidate(m_window);
}

void CPaintManager::Invalidate(const UiRect& rect) {
    if (m_painting || rect.IsEmpty()) return;
    if (m_window && GetWindowSystem()) GetWindowSystem()->InvalidateRect(m_window, rect);
}

void CPaintManager::ControlHidden(CControlUI* control) {
    if (m_hover == control) m_hover = nullptr;
    if (m_captured == control) {
        m_captured = nullptr;
        if (GetWindowSystem()) GetWindowSystem()->ReleaseCapture();
    }
    if (m_focus == control) SetFocus(nullptr);
}

UiRect CPaintManager::ClientRect() const {
    if (m_window && GetWindowSystem() && GetWindowSystem()->IsWindow(m_window)) {
        UiRect r = GetWindowSystem()->GetWindowRect(m_window);
        return {0, 0, r.Width(), r.Height()};
    }
    return {0, 0, m_initSize.cx, m_initSize.cy};
}

void CPaintManager::ClipRoundCorners(const UiRect& area) {
    const int width = m_bitmap.Width(), height = m_bitmap.Height();
    const int cornerHeight = m_roundCorner.cy / 2 + 1;
    for (int y = area.top; y < area.bottom; ++y) {
        if (y >= cornerHeight && y < height - cornerHeight) continue;
        const RowSpan span = RoundRectRow(width, height, m_roundCorner.cx, m_roundCorner.cy, y);
        std::uint32_t* row = m_bitmap.Row(y);
        auto clear = [&](int from, int to) {
            if (from < to) std::fill(row + from, row + to, 0u);
        };
        clear(std::max(area.left, 0), std::min(area.right, span.left));
        clear(std::max(area.left, span.right), std::min(area.right, width));
    }
}

void CPaintManager::LayOutIfNeeded() {
    if (!m_root || !(m_layoutNeeded || m_root->IsLayoutNeeded())) return;
    m_root->SetPos(ClientRect(), false);
    m_layoutNeeded = false;
    Invalidate();
}

void CPaintManager::Paint(const UiRect& damaged) {
    const UiRect client = ClientRect();
    UiRect area = damaged;
    m_painting = true;
    if (m_bitmap.Width() != client.Width() || m_bitmap.Height() != client.Height()) {
        m_bitmap.Resize(client.Width(), client.Height());
        m_layoutNeeded = true;
    }
    if (m_root && (m_layoutNeeded || m_root->IsLayoutNeeded())) {
        m_root->SetPos(client, false);
        m_layoutNeeded = false;
        area = client;
    }
    area = Intersect(area, client);
    if (!area.IsEmpty()) {
        for (int y = area.top; y < area.bottom; ++y) std::fill(m_bitmap.Row(y) + area.left, m_bitmap.Row(y) + area.right, 0u);
        if (m_root) m_root->Paint(m_bitmap, area);
        if (m_roundCorner.cx > 0 && m_roundCorner.cy > 0) ClipRoundCorners(area);
    }
    m_painting = false;
    if (!area.IsEmpty() && m_window && GetWindowSystem()) GetWindowSystem()->Present(m_window, m_bitmap, area);
}

bool CPaintManager::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    for (IMessageFilter* filter : std::vector<IMessageFilter*>(m_filters)) {
        bool handled = false;
        LRESULT filtered = filter->MessageHandler(message, wParam, lParam, handled);
        if (handled) {
            result = filtered;
            return true;
        }
    }
    result = 0;
    auto route = [&](CControlUI* control, UiEventType type, wchar_t key = 0) {
        if (!control) return;
        UiEvent event{type, control, platform::GetTickCount(), m_lastMouse, key, wParam, lParam};
        control->Event(event);
    };
    switch (message) {
    case WM_PAINT: {
        // A paint nobody asked for (sent directly) repaints everything.
        UiRect area = GetWindowSystem() ? GetWindowSystem()->BeginPaint(m_window) : UiRect{};
        Paint(area.IsEmpty() ? ClientRect() : area);
        return true;
    }
    case WM_SIZE:
        NeedLayout();
        return false;
    case WM_TIMER:
        for (const TimerInfo& timer : std::vector<TimerInfo>(m_timers)) {
            if (timer.windowTimer == wParam && !timer.killed) {
                UiEvent event{UiEventType::Timer, timer.sender, platform::GetTickCount(), m_lastMouse, 0, timer.id, 0};
                timer.sender->Event(event);
                break;
            }
        }
        return true;
    case kQueuedNotifyMessage:
        DeliverQueued();
        return true;
    case WM_MOUSEMOVE: {
        m_lastMouse = PointOf(lParam);
        if (m_captured) {
            route(m_captured, UiEventType::MouseMove);
            return true;
        }
        CControlUI* control = FindControl(m_lastMouse);
        if (control != m_hover) {
            CControlUI* old = m_hover;
            m_hover = control;
            route(old, UiEventType::MouseLeave);
            route(control, UiEventType::MouseEnter);
        }
        route(control, UiEventType::MouseMove);
        if (GetWindowSystem() && m_hover == control) {
            GetWindowSystem()->SetCursor(control ? control->GetCursor() : CursorShape::Arrow);
        }
        return true;
    }
    case WM_MOUSELEAVE: {
        CControlUI* old = m_hover;
        m_hover = nullptr;
        m_lastMouse = {-1, -1};
        route(old, UiEventType::MouseLeave);
        return true;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        m_lastMouse = PointOf(lParam);
        CControlUI* control = FindControl(m_lastMouse);
        if (!control) return false;
        m_captured = control;
        if (GetWindowSystem()) GetWindowSystem()->SetCapture(m_window);
        route(control, message == WM_LBUTTONDOWN ? UiEventType::ButtonDown : UiEventType::DoubleClick);
        return true;
    }
    case WM_LBUTTONUP: {
        m_lastMouse = PointOf(lParam);
        if (GetWindowSystem()) GetWindowSystem()->ReleaseCapture();
        CControlUI* control = m_captured;
        m_captured = nullptr;
        route(control, UiEventType::ButtonUp);
        return control != nullptr;
    }
    case WM_CONTEXTMENU:
    case WM_RBUTTONDOWN: {
        if (message == WM_RBUTTONDOWN) m_lastMouse = PointOf(lParam);
        route(FindControl(m_lastMouse), UiEventType::ContextMenu);
        return false;
    }
    case WM_MOUSEWHEEL:
        route(m_hover, UiEventType::ScrollWheel);
        return m_hover != nullptr;
    case WM_KEYDOWN:
        if (!m_focus) return false;
        route(m_focus, UiEventType::KeyDown, static_cast<wchar_t>(wParam));
        return true;
    case WM_SYSKEYDOWN:
        // Alt+key for the focused control (Alt+Down opens a combo's list); the window still gets
        // it, so that Alt+F4 closes whatever has the focus.
        route(m_focus, UiEventType::SysKeyDown, static_cast<wchar_t>(wParam));
        return false;
    case WM_CHAR:
        if (!m_focus) return false;
        route(m_focus, UiEventType::Char, static_cast<wchar_t>(wParam));
        return true;
    case WM_IME_COMPOSITION:
    case WM_IME_ENDCOMPOSITION:
        if (!m_focus) return false;
        route(m_focus, UiEventType::Composition);
        return true;
    default:
        return false;
    }
}

CPaintManager* CPaintManager::FromWindow(WindowHandle window) {
    for (CPaintManager* manager : Managers()) {
        if (window && manager->m_window == window) return manager;
    }
    return nullptr;
}

bool CPaintManager::TranslateMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) {
    for (CPaintManager* manager : std::vector<CPaintManager*>(Managers())) {
        if (manager->m_window != window) continue;
        for (IMessageFilter* filter : std::vector<IMessageFilter*>(manager->m_preFilters)) {
            bool handled = false;
            filter->MessageHandler(message, wParam, lParam, handled);
            if (handled) return true;
        }
    }
    return false;
}

}  // namespace SkinUI
