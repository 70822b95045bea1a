#include "skinui/combo.h"

#include "skinui/markup/value_parser.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

namespace {
constexpr wchar_t kKeyUp = 0x26, kKeyDown = 0x28;
}  // namespace

CControlUI* CListLabelElementUI::As(const std::wstring& name) {
    if (name == L"ListLabelElement") return this;
    return CLabelUI::As(name);
}

CControlUI* CComboUI::As(const std::wstring& name) {
    if (name == L"Combo") return this;
    return CContainerUI::As(name);
}

bool CComboUI::SelectItem(int index, bool takeFocus, bool triggerEvent) {
    if (index < 0 || index >= GetCount()) return false;
    if (takeFocus) SetFocus();
    if (index == m_curSel) return true;
    int old = m_curSel;
    m_curSel = index;
    Invalidate();
    if (triggerEvent && m_manager) {
        m_manager->SendNotify(this, L"itemselect", static_cast<WPARAM>(index), static_cast<LPARAM>(old));
    }
    return true;
}

bool CComboUI::Remove(CControlUI* control) {
    int index = GetItemIndex(control);
    if (!CContainerUI::Remove(control)) return false;
    if (index == m_curSel) m_curSel = -1;
    else if (index < m_curSel) --m_curSel;
    return true;
}

void CComboUI::RemoveAll() {
    m_curSel = -1;
    CContainerUI::RemoveAll();
}

// The items are a list to choose from, not part of the control's face: they get no place.
void CComboUI::SetPos(UiRect rc, bool needInvalidate) { CControlUI::SetPos(rc, needInvalidate); }

UiSize CComboUI::EstimateSize(UiSize) {
    if (m_fixedSize.cy > 0 || !m_manager) return m_fixedSize;
    return {m_fixedSize.cx, m_manager->GetFontHeight(m_font) + 8};
}

void CComboUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"font") {
        m_font = ParseInt(value, -1);
        NeedParentLayout();
    } else if (name == L"textcolor") {
        if (auto c = ParseColour(value)) m_textColor = *c;
    } else if (name == L"textpadding") {
        m_textPadding = ParseRect(value);
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

void CComboUI::HandleEvent(UiEvent& event) {
    if (!IsEnabled()) {
        CContainerUI::HandleEvent(event);
        return;
    }
    switch (event.type) {
    case UiEventType::ButtonDown:
        SetFocus();
        return;
    case UiEventType::KeyDown:
        if (event.key == kKeyUp) SelectItem(m_curSel - 1);
        else if (event.key == kKeyDown) SelectItem(m_curSel + 1);
        return;
    case UiEventType::ScrollWheel:
        // The wheel's delta sits in the high word: forward (up) is positive.
        SelectItem(HighWord(static_cast<LPARAM>(event.wParam)) > 0 ? m_curSel - 1 : m_curSel + 1);
        return;
    default:
        CContainerUI::HandleEvent(event);
    }
}

void CComboUI::Paint(Bitmap& target, const UiRect& paint) {
    UiRect area = Intersect(paint, m_rect);
    if (area.IsEmpty()) return;
    PaintBkColor(target, area);
    PaintBkImage(target, area);
    if (m_manager && m_curSel >= 0) {
        Colour colour = !IsEnabled()             ? m_manager->GetDefaultDisabledColor()
                        : m_textColor.value_or(m_manager->GetDefaultFontColor());
        DrawText(target, m_rect.Deflated(m_textPadding), area, m_items[m_curSel]->GetText(),
                 m_manager->GetFont(m_font), colour, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    }
    PaintBorder(target, area);
}

}  // namespace SkinUI
