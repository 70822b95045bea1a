#include "skinui/control.h"

#include "skinui/markup/value_parser.h"
#include "skinui/paint_manager.h"
#include "skinui/text_table.h"

namespace SkinUI {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (m_manager) m_manager->ForgetControl(this);
}

CControlUI* CControlUI::As(const std::wstring& name) {
    if (name == L"Control") return this;
    return nullptr;
}

void CControlUI::SetManager(CPaintManager* manager, CControlUI* parent, bool init) {
    m_manager = manager;
    m_parent = parent;
    if (init && m_manager) {
        OnInit();
        m_manager->NameControl(this);
    }
}

std::wstring CControlUI::GetText() const {
    // An edit's text is what the user typed (a folder, say), data rather than markup: a "%{1}"
    // in it stays as typed.
    if (GetClass() == L"Edit") return m_text;
    return TextTable::Instance().Expand(m_text);
}

std::wstring CControlUI::GetToolTip() const { return TextTable::Instance().Expand(m_toolTip); }

std::wstring CControlUI::GetVirtualWnd() const {
    for (const CControlUI* control = this; control; control = control->m_parent) {
        if (!control->m_virtualWindow.empty()) return control->m_virtualWindow;
    }
    return {};
}

void CControlUI::SetText(const std::wstring& text) {
    if (m_text == text) return;
    m_text = text;
    Invalidate();
}

void CControlUI::SetPos(UiRect rc, bool needInvalidate) {
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    if (needInvalidate && !(rc == m_rect)) Invalidate();
    m_rect = rc;
    m_layoutNeeded = false;
    if (needInvalidate) Invalidate();
}

void CControlUI::SetFixedWidth(int width) {
    if (width < 0) return;
    m_fixedSize.cx = width;
    NeedParentLayout();
}

void CControlUI::SetFixedHeight(int height) {
    if (height < 0) return;
    m_fixedSize.cy = height;
    NeedParentLayout();
}

UiSize CControlUI::EstimateSize(UiSize) { return m_fixedSize; }

void CControlUI::SetVisible(bool visible) {
    if (m_visible == visible) return;
    bool wasVisible = IsVisible();
    m_visible = visible;
    if (m_focused) m_focused = false;
    if (wasVisible && !IsVisible()) OnHidden();
    if (IsVisible() != wasVisible) NeedParentLayout();
}

void CControlUI::SetParentVisible(bool visible) {
    bool wasVisible = IsVisible();
    m_parentVisible = visible;
    if (wasVisible && !IsVisible()) OnHidden();
}

void CControlUI::OnHidden() {
    if (m_manager) m_manager->ControlHidden(this);
}

void CControlUI::SetEnabled(bool enabled) {
    if (m_enabled == enabled) return;
    m_enabled = enabled;
    Invalidate();
}

void CControlUI::SetFocus() {
    if (m_manager) m_manager->SetFocus(this);
}

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

void CControlUI::SetBkImage(const std::wstring& image) {
    if (m_bkImage.text == image) return;
    m_bkImage.Reset(image);
    Invalidate();
}

void CControlUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"pos") {
        UiRect rc = ParseRect(value);
        m_fixedXY = {rc.left, rc.top};
        m_fixedSize = {rc.right - rc.left, rc.bottom - rc.top};
        NeedParentLayout();
    } else if (name == L"padding") {
        SetPadding(ParseRect(value));
    } else if (name == L"bkcolor" || name == L"bkcolor1") {
        if (auto c = ParseColour(value)) SetBkColor(*c);
    } else if (name == L"bkcolor2") {
        if (auto c = ParseColour(value)) m_bkColor2 = *c;
    } else if (name == L"bkcolor3") {
        if (auto c = ParseColour(value)) m_bkColor3 = *c;
    } else if (name == L"bordercolor") {
        if (auto c = ParseColour(value)) SetBorderColor(*c);
    } else if (name == L"focusbordercolor") {
        if (auto c = ParseColour(value)) m_focusBorderColor = *c;
    } else if (name == L"bordersize") {
        m_borderSize = ParseLength(value);
    } else if (name == L"borderround") {
        m_borderRound = ParseSize(value);
    } else if (name == L"bkimage") {
        SetBkImage(value);
    } else if (name == L"width") {
        SetFixedWidth(ParseLength(value));
    } else if (name == L"height") {
        SetFixedHeight(ParseLength(value));
    } else if (name == L"minwidth") {
        SetMinWidth(ParseLength(value));
    } else if (name == L"minheight") {
        SetMinHeight(ParseLength(value));
    } else if (name == L"maxwidth") {
        SetMaxWidth(ParseLength(value));
    } else if (name == L"maxheight") {
        SetMaxHeight(ParseLength(value));
    } else if (name == L"name") {
        SetName(value);
    } else if (name == L"text") {
        SetText(value);
    } else if (name == L"tooltip") {
        m_toolTip = value;
    } else if (name == L"userdata") {
        SetUserData(value);
    } else if (name == L"tag") {
        m_tag = static_cast<std::uintptr_t>(ParseInt(value));
    } else if (name == L"enabled") {
        SetEnabled(ParseBool(value));
    } else if (name == L"mouse") {
        SetMouseEnabled(ParseBool(value));
    } else if (name == L"contextmenu") {
        SetContextMenuUsed(ParseBool(value));
    } else if (name == L"keyboard") {
        m_keyboardEnabled = ParseBool(value);
    } else if (name == L"visible") {
        SetVisible(ParseBool(value));
    } else if (name == L"float") {
        m_float = ParseBool(value);
        NeedParentLayout();
    } else if (name == L"virtualwnd") {
        m_virtualWindow = value;
    }
}

CControlUI* CControlUI::FindControl(const FindProc& proc, UINT flags) {
    if ((flags & kFindVisible) && !IsVisible()) return nullptr;
    if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
    if ((flags & kFindHitTest) && !m_mouseEnabled) return nullptr;
    return proc(this);
}

void CControlUI::Event(UiEvent& event) { HandleEvent(event); }

void CControlUI::HandleEvent(UiEvent& event) {
    switch (event.type) {
    case UiEventType::SetFocus:
        m_focused = true;
        Invalidate();
        return;
    case UiEventType::KillFocus:
        m_focused = false;
        Invalidate();
        return;
    case UiEventType::Timer:
        if (m_manager) m_manager->SendNotify(this, L"timer", event.wParam, event.lParam);
        return;
    case UiEventType::ContextMenu:
        if (m_contextMenuUsed) {
            if (m_manager) m_manager->SendNotify(this, L"menu", event.wParam, event.lParam);
            return;
        }
        break;
    default:
        break;
    }
    // Whatever a control does not take goes to its parent.
    if (m_parent) m_parent->HandleEvent(event);
}

void CControlUI::Paint(Bitmap& target, const UiRect& paint) {
    UiRect area = Intersect(paint, m_rect);
    if (area.IsEmpty()) return;
    PaintBkColor(target, area);
    PaintBkImage(target, area);
    PaintStatusImage(target, area);
    PaintText(target, area);
    PaintBorder(target, area);
}

void CControlUI::PaintBkColor(Bitmap& target, const UiRect& paint) {
    if (m_bkColor == 0) return;
    if (m_borderRound.cx > 0 || m_borderRound.cy > 0) {
        target.FillRoundRect(m_rect, m_borderRound.cx, m_borderRound.cy, m_bkColor, paint);
    } else {
        target.FillRect(m_rect, m_bkColor, paint);
    }
}

void CControlUI::PaintBkImage(Bitmap& target, const UiRect& paint) { DrawImage(target, paint, m_bkImage); }

void CControlUI::PaintBorder(Bitmap& target, const UiRect& paint) {
    Colour colour = (m_focused && m_focusBorderColor) ? m_focusBorderColor : m_borderColor;
    if (m_borderSize <= 0 || colour == 0) return;
    if (m_borderRound.cx > 0 || m_borderRound.cy > 0) {
        // A rounded outline: the rounded rectangle less its inner rounded rectangle.
        const UiRect& r = m_rect;
        const int t = m_borderSize;
        UiRect area = Intersect(Intersect(r, paint), target.Bounds());
        std::uint32_t pixel = Premultiply(colour);
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                bool outer = InsideRoundRect(r.Width(), r.Height(), m_borderRound.cx, m_borderRound.cy,
                                             x - r.left, y - r.top);
                bool inner = InsideRoundRect(r.Width() - 2 * t, r.Height() - 2 * t, m_borderRound.cx - t,
                                             m_borderRound.cy - t, x - r.left - t, y - r.top - t);
                if (outer && !inner) target.Set(x, y, BlendPixel(target.At(x, y), pixel));
            }
        }
        return;
    }
    target.FrameRect(m_rect, colour, m_borderSize, paint);
}

bool CControlUI::DrawImage(Bitmap& target, const UiRect& paint, ImageDrawRecord& record) {
    return SkinUI::DrawImage(target, m_rect, paint, record);
}

void CControlUI::Invalidate() {
    if (m_manager && IsVisible()) m_manager->Invalidate(m_rect);
}

void CControlUI::NeedLayout() {
    m_layoutNeeded = true;
    if (m_manager) m_manager->NeedLayout();
}

void CControlUI::NeedParentLayout() {
    if (m_parent) m_parent->NeedLayout();
    else NeedLayout();
}

}  // namespace SkinUI
