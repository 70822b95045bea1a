#include "skinui/edit.h"

#include "skinui/markup/value_parser.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

CEditUI::CEditUI() { m_textStyle = DT_SINGLELINE | DT_VCENTER; }

CControlUI* CEditUI::GetInterface(const std::wstring& name) {
    if (name == L"Edit") return this;
    return CLabelUI::GetInterface(name);
}

CursorShape CEditUI::GetCursor() const { return IsEnabled() ? CursorShape::IBeam : CursorShape::Arrow; }

void CEditUI::SetText(const std::wstring& text) {
    std::wstring limited = text;
    if (m_maxChar > 0 && limited.size() > static_cast<std::size_t>(m_maxChar)) limited.resize(m_maxChar);
    CLabelUI::SetText(limited);
    m_caret = m_text.size();
}

void CEditUI::SetMaxChar(int maxChar) {
    m_maxChar = maxChar;
    if (m_maxChar > 0 && m_text.size() > static_cast<std::size_t>(m_maxChar)) SetText(m_text);
}

void CEditUI::Changed() {
    Invalidate();
    if (m_manager) m_manager->SendNotify(this, L"textchanged");
}

bool CEditUI::InsertText(const std::wstring& text) {
    if (m_readOnly || text.empty()) return false;
    std::wstring insert;
    for (wchar_t c : text) {
        if (c >= 0x20 && c != 0x7F) insert += c;  // a single line: no control characters
    }
    if (m_maxChar > 0) {
        std::size_t room = m_text.size() >= static_cast<std::size_t>(m_maxChar) ? 0 : m_maxChar - m_text.size();
        if (insert.size() > room) insert.resize(room);
    }
    if (insert.empty()) return false;
    m_caret = std::min(m_caret, m_text.size());
    m_text.insert(m_caret, insert);
    m_caret += insert.size();
    Changed();
    return true;
}

bool CEditUI::Backspace() {
    if (m_readOnly || m_caret == 0 || m_text.empty()) return false;
    m_caret = std::min(m_caret, m_text.size());
    m_text.erase(m_caret - 1, 1);
    --m_caret;
    Changed();
    return true;
}

bool CEditUI::DeleteForward() {
    if (m_readOnly || m_caret >= m_text.size()) return false;
    m_text.erase(m_caret, 1);
    Changed();
    return true;
}

UiSize CEditUI::EstimateSize(UiSize) {
    if (m_fixedSize.cy > 0 || !m_manager) return m_fixedSize;
    return {m_fixedSize.cx, m_manager->GetFontHeight(m_font) + 8};
}

void CEditUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"readonly") SetReadOnly(ParseBool(value));
    else if (name == L"password") m_password = ParseBool(value);
    else if (name == L"passwordchar") m_passwordChar = value.empty() ? L'*' : value[0];
    else if (name == L"maxchar") SetMaxChar(ParseInt(value));
    else if (name == L"normalimage") m_normalImage.Reset(value);
    else if (name == L"hotimage") m_hotImage.Reset(value);
    else if (name == L"focusedimage") m_focusedImage.Reset(value);
    else if (name == L"disabledimage") m_disabledImage.Reset(value);
    else if (name == L"nativebkcolor") {
        if (auto c = ParseColour(value)) m_nativeBkColor = *c;
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

void CEditUI::DoEvent(UiEvent& event) {
    switch (event.type) {
    case UiEventType::ButtonDown:
    case UiEventType::DoubleClick:
        if (IsEnabled()) {
            SetFocus();
            m_caret = m_text.size();
        }
        return;
    case UiEventType::MouseEnter:
        m_hot = true;
        Invalidate();
        return;
    case UiEventType::MouseLeave:
        m_hot = false;
        Invalidate();
        return;
    case UiEventType::ButtonUp:
    case UiEventType::MouseMove:
    case UiEventType::SetCursor:
        return;
    case UiEventType::Char:
        if (IsEnabled() && event.key >= 0x20) InsertText(std::wstring(1, event.key));
        else if (IsEnabled() && event.key == 0x08) Backspace();
        return;
    default:
        break;
    }
    CLabelUI::DoEvent(event);
}

void CEditUI::PaintStatusImage(Bitmap& target, const UiRect& paint) {
    if (!IsEnabled() && DrawImage(target, paint, m_disabledImage)) return;
    if (IsFocused() && DrawImage(target, paint, m_focusedImage)) return;
    if (m_hot && DrawImage(target, paint, m_hotImage)) return;
    DrawImage(target, paint, m_normalImage);
}

void CEditUI::PaintText(Bitmap& target, const UiRect& paint) {
    if (!m_manager) return;
    std::wstring shown = m_password ? std::wstring(m_text.size(), m_passwordChar) : m_text;
    if (shown.empty()) return;
    Colour colour = m_textColor ? m_textColor : m_manager->GetDefaultFontColor();
    if (!IsEnabled()) colour = m_disabledTextColor ? m_disabledTextColor : m_manager->GetDefaultDisabledColor();
    UiRect rc = m_rcItem.Deflated(m_textPadding);
    DrawText(target, rc, paint, shown, m_manager->GetFont(m_font), colour, m_textStyle | DT_END_ELLIPSIS);
}

}  // namespace SkinUI
