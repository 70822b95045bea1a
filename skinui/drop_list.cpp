#include "skinui/drop_list.h"

#include <algorithm>

#include "skinui/combo.h"
#include "skinui/paint_manager.h"
#include "skinui/render/text_renderer.h"

namespace SkinUI {

namespace {

constexpr int kGap = 2;  // between the combo and its list
constexpr int kThumbWidth = 4, kThumbMargin = 3, kThumbMinimum = 12;
constexpr int kWheelRows = 3;  // rows per notch of the wheel, as the system scrolls lines

}  // namespace

CDropListWnd::~CDropListWnd() { Close(); }

int CDropListWnd::Border() const { return m_combo.GetListStyle().borderColor ? 1 : 0; }

bool CDropListWnd::Open() {
    if (IsOpen()) return true;
    WindowSystem* system = GetWindowSystem();
    CPaintManager* manager = m_combo.GetManager();
    if (!system || !manager) return false;
    const WindowHandle owner = manager->GetPaintWindow();
    const UiRect face = m_combo.GetPos();
    if (!system->IsWindow(owner) || !system->IsVisible(owner) || system->IsMinimized(owner) || face.IsEmpty() ||
        m_combo.GetCount() == 0) {
        return false;
    }

    const DropListStyle& style = m_combo.GetListStyle();
    m_rowHeight = style.rowHeight > 0 ? style.rowHeight : manager->GetFontHeight(m_combo.GetFont()) + 10;
    const UiRect window = system->GetWindowRect(owner), area = system->GetWorkArea(owner);
    // Never taller than the screen: what does not fit scrolls.
    const int fitting = std::max(1, (area.Height() - 2 * Border()) / m_rowHeight);
    m_rows = std::min({m_combo.GetCount(), std::max(1, style.rows), fitting});
    const int width = face.Width(), height = m_rows * m_rowHeight + 2 * Border();
    const int below = window.top + face.bottom + kGap, above = window.top + face.top - kGap - height;
    int top = below;
    if (below + height > area.bottom && above - area.top > area.bottom - (below + height)) top = above;
    top = std::max(area.top, std::min(top, area.bottom - height));
    const int left = std::max(area.left, std::min(window.left + face.left, area.right - width));

    m_top = 0;
    m_hot = -1;
    m_wheelRest = 0;
    m_pressed = false;
    if (m_combo.GetCurSel() >= 0) SetHot(m_combo.GetCurSel());
    m_bitmap.Resize(width, height);
    if (!Create(owner, L"", WS_POPUP, WS_EX_NOACTIVATE, left, top, width, height)) return false;
    m_owner = owner;
    system->AddMessageHook(owner, this);
    manager->AddPreMessageFilter(this, true);
    m_filtered = manager;
    system->ShowWindow(m_hWnd, ShowCommand::ShowNoActivate);
    return IsOpen();
}

void CDropListWnd::Detach() {
    if (m_owner && GetWindowSystem()) GetWindowSystem()->RemoveMessageHook(m_owner, this);
    m_owner = nullptr;
    if (m_filtered) m_filtered->RemovePreMessageFilter(this);
    m_filtered = nullptr;
}

void CDropListWnd::Close() {
    Detach();
    m_pressed = false;
    WindowSystem* system = GetWindowSystem();
    if (m_hWnd && system && system->IsWindow(m_hWnd)) system->DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

void CDropListWnd::OnLastMessage(WindowHandle) {
    // Destroyed from outside too: with its owner, which takes owned windows first.
    Detach();
    m_pressed = false;
}

void CDropListWnd::Scroll(int rows) {
    const int last = std::max(0, m_combo.GetCount() - m_rows);
    const int top = std::clamp(m_top + rows, 0, last);
    if (top == m_top) return;
    m_top = top;
    if (IsOpen()) GetWindowSystem()->Invalidate(m_hWnd);
}

void CDropListWnd::Wheel(int delta) {
    // A notch is 120; a fine-grained wheel's smaller steps add up to rows.
    constexpr int kPerRow = 120 / kWheelRows;
    m_wheelRest += delta;
    const int rows = m_wheelRest / kPerRow;
    m_wheelRest -= rows * kPerRow;
    Scroll(-rows);
}

void CDropListWnd::SetHot(int index) {
    const int count = m_combo.GetCount();
    if (count == 0) return;
    index = std::clamp(index, 0, count - 1);
    const int rows = m_rows;
    if (index < m_top) m_top = index;
    else if (index >= m_top + rows) m_top = index - rows + 1;
    m_hot = index;
    if (IsOpen()) GetWindowSystem()->Invalidate(m_hWnd);
}

UiRect CDropListWnd::RowRect(int index) const {
    if (index < m_top || index >= m_top + m_rows || index >= m_combo.GetCount()) return {};
    const int border = Border(), top = border + (index - m_top) * m_rowHeight;
    return {border, top, m_bitmap.Width() - border, top + m_rowHeight};
}

int CDropListWnd::ItemAt(UiPoint point) const {
    const int border = Border();
    if (m_rowHeight <= 0 || point.x < border || point.x >= m_bitmap.Width() - border || point.y < border) return -1;
    const int row = (point.y - border) / m_rowHeight;
    if (row >= m_rows) return -1;
    const int index = m_top + row;
    return index < m_combo.GetCount() ? index : -1;
}

void CDropListWnd::Choose(int index) {
    // The combo closes this list, then raises "itemselect"; a handler of that may delete the
    // combo and this list with it, so nothing here is touched afterwards.
    m_combo.ChooseFromList(index);
}

void CDropListWnd::BeforeMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window != m_owner || !IsOpen()) return;
    bool close = false;
    switch (message) {
    case WM_ACTIVATE: close = wParam == WA_INACTIVE; break;
    case WM_SHOWWINDOW: close = wParam == 0; break;
    case WM_KILLFOCUS:
    case WM_MOVE:
    case WM_SIZE:
    case WM_ENTERSIZEMOVE:
    case WM_DESTROY: close = true; break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
        // A press on the combo itself is the combo's to answer (it closes the list there).
        close = !m_combo.GetPos().Contains({LowWord(lParam), HighWord(lParam)});
        break;
    default: break;
    }
    if (close) m_combo.CloseList();
}

LRESULT CDropListWnd::MessageHandler(UINT message, WPARAM wParam, LPARAM, bool& handled) {
    if (!IsOpen()) return 0;
    if (message == WM_SYSKEYDOWN) {
        // Alt+Up and Alt+Down close the list keeping what the keys highlighted, as F4 does.
        if (wParam != VK_UP && wParam != VK_DOWN) return 0;
        handled = true;
        if (m_hot >= 0) Choose(m_hot);
        else m_combo.CloseList();
        return 0;
    }
    if (message != WM_KEYDOWN) return 0;
    const int page = std::max(1, m_rows - 1);
    handled = true;
    switch (wParam) {
    case VK_UP: SetHot(m_hot - 1); break;
    case VK_DOWN: SetHot(m_hot + 1); break;
    case VK_HOME: SetHot(0); break;
    case VK_END: SetHot(m_combo.GetCount() - 1); break;
    case VK_PRIOR: SetHot(m_hot - page); break;
    case VK_NEXT: SetHot(m_hot < 0 ? page : m_hot + page); break;
    case VK_RETURN:
    case VK_F4:
        if (m_hot >= 0) Choose(m_hot);
        else m_combo.CloseList();
        break;
    case VK_ESCAPE: m_combo.CloseList(); break;
    default: handled = false; break;
    }
    return 0;
}

LRESULT CDropListWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    WindowSystem* system = GetWindowSystem();
    const UiPoint point{LowWord(lParam), HighWord(lParam)};
    switch (message) {
    case WM_PAINT: {
        const UiRect area = system->BeginPaint(m_hWnd);
        Paint(area.IsEmpty() ? m_bitmap.Bounds() : area);
        return 0;
    }
    case WM_MOUSEMOVE: {
        system->SetCursor(CursorShape::Arrow);
        const int index = ItemAt(point);
        if (index >= 0 && index != m_hot) SetHot(index);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        m_pressed = true;
        return 0;
    case WM_LBUTTONUP: {
        const bool pressed = m_pressed;
        m_pressed = false;
        const int index = ItemAt(point);
        if (pressed && index >= 0) Choose(index);
        return 0;
    }
    case WM_MOUSELEAVE:
        m_pressed = false;
        return 0;
    case WM_MOUSEWHEEL:
        Wheel(HighWord(static_cast<LPARAM>(wParam)));
        return 0;
    default:
        return CWindowWnd::HandleMessage(message, wParam, lParam);
    }
}

void CDropListWnd::Paint(const UiRect& area) {
    WindowSystem* system = GetWindowSystem();
    CPaintManager* manager = m_combo.GetManager();
    if (!system || !manager || m_bitmap.IsEmpty()) return;
    const DropListStyle& style = m_combo.GetListStyle();
    const UiRect bounds = m_bitmap.Bounds();
    m_bitmap.Clear(0);
    m_bitmap.FillRect(bounds, style.bkColor, bounds);

    const int count = m_combo.GetCount(), rows = m_rows;
    const bool scrolls = count > rows && style.thumbColor != 0;
    const FontSpec& font = manager->GetFont(m_combo.GetFont());
    const Colour textColour = style.textColor ? style.textColor : m_combo.GetTextColor();
    const UiRect& padding = m_combo.GetTextPadding();
    const int rightPadding = std::max(padding.right, scrolls ? kThumbWidth + 2 * kThumbMargin : 0);
    for (int index = m_top; index < m_top + rows && index < count; ++index) {
        const UiRect row = RowRect(index);
        const bool selected = index == m_combo.GetCurSel();
        if (index == m_hot && style.hotColor) m_bitmap.FillRect(row, style.hotColor, bounds);
        else if (selected && style.selectedColor) m_bitmap.FillRect(row, style.selectedColor, bounds);
        const UiRect text{row.left + padding.left, row.top, row.right - rightPadding, row.bottom};
        DrawText(m_bitmap, text, bounds, m_combo.GetItemAt(index)->GetText(), font,
                 selected && style.selectedTextColor ? style.selectedTextColor : textColour,
                 DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    }
    if (scrolls) {
        const int border = Border(), track = rows * m_rowHeight - 2 * kThumbMargin;
        const int thumb = std::max(kThumbMinimum, track * rows / count);
        const int top = border + kThumbMargin + (track - thumb) * m_top / (count - rows);
        const int right = bounds.right - border - kThumbMargin;
        m_bitmap.FillRoundRect({right - kThumbWidth, top, right, top + thumb}, kThumbWidth, kThumbWidth,
                               style.thumbColor, bounds);
    }
    if (Border()) m_bitmap.FrameRect(bounds, style.borderColor, 1, bounds);
    system->Present(m_hWnd, m_bitmap, area);
}

}  // namespace SkinUI
