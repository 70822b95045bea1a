#include "skinui/label.h"

#include "skinui/markup/value_parser.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

CControlUI* CLabelUI::As(const std::wstring& name) {
    if (name == L"Label") return this;
    return CControlUI::As(name);
}

void CLabelUI::SetText(const std::wstring& text) {
    if (text == m_text) return;
    CControlUI::SetText(text);
    m_measured = false;
    if (m_fixedSize.cx == 0 || m_fixedSize.cy == 0) NeedParentLayout();
}

void CLabelUI::SetMultiLine(bool multiLine) {
    if (multiLine) {
        m_textStyle &= ~DT_SINGLELINE;
        m_textStyle |= DT_WORDBREAK;
    } else {
        m_textStyle |= DT_SINGLELINE;
        m_textStyle &= ~DT_WORDBREAK;
    }
    m_measured = false;
    NeedParentLayout();
}

UiSize CLabelUI::EstimateSize(UiSize available) {
    if (m_fixedSize.cx > 0 && m_fixedSize.cy > 0) return m_fixedSize;
    if (!m_manager) return m_fixedSize;
    std::wstring text = GetText();
    // A fixed width or height set after the last layout changes the size as much as a new text.
    if (m_measured && text == m_measuredText && m_fixedSize == m_measuredFixed &&
        (!IsMultiLine() || available == m_lastAvailable)) {
        return m_measuredSize;
    }
    const FontSpec& font = m_manager->GetFont(m_font);
    const UiRect& tp = m_textPadding;
    UiSize size;
    if (!IsMultiLine()) {
        size.cx = m_fixedSize.cx > 0 ? m_fixedSize.cx : MeasureText(text, font).cx + tp.left + tp.right;
        size.cy = m_fixedSize.cy > 0 ? m_fixedSize.cy : FontHeight(font) + 8 + tp.top + tp.bottom;
    } else {
        size.cx = m_fixedSize.cx > 0 ? m_fixedSize.cx : available.cx;
        size.cy = m_fixedSize.cy;
        if (size.cy == 0) {
            int wrap = std::max(1, size.cx - tp.left - tp.right);
            size.cy = MeasureText(text, font, wrap).cy + tp.top + tp.bottom;
        }
    }
    m_measured = true;
    m_measuredText = std::move(text);
    m_measuredFixed = m_fixedSize;
    m_lastAvailable = available;
    m_measuredSize = size;
    return size;
}

void CLabelUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"align") {
        m_textStyle &= ~(DT_CENTER | DT_RIGHT);
        if (value.find(L"center") != std::wstring::npos) m_textStyle |= DT_CENTER;
        else if (value.find(L"right") != std::wstring::npos) m_textStyle |= DT_RIGHT;
        Invalidate();
    } else if (name == L"valign") {
        m_textStyle &= ~(DT_VCENTER | DT_BOTTOM);
        if (value.find(L"vcenter") != std::wstring::npos || value.find(L"center") != std::wstring::npos) {
            m_textStyle |= DT_VCENTER;
        } else if (value.find(L"bottom") != std::wstring::npos) {
            m_textStyle |= DT_BOTTOM;
        }
        Invalidate();
    } else if (name == L"endellipsis") {
        if (ParseBool(value)) m_textStyle |= DT_END_ELLIPSIS;
        else m_textStyle &= ~DT_END_ELLIPSIS;
    } else if (name == L"font") {
        SetFont(ParseInt(value, -1));
    } else if (name == L"textcolor") {
        if (auto c = ParseColour(value)) SetTextColor(*c);
    } else if (name == L"disabledtextcolor") {
        if (auto c = ParseColour(value)) m_disabledTextColor = *c;
    } else if (name == L"textpadding") {
        SetTextPadding(ParseRect(value));
    } else if (name == L"multiline") {
        SetMultiLine(ParseBool(value));
    } else if (name == L"showhtml") {
        // Plain text only: markup inside texts is shown as written.
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

void CLabelUI::DrawLabelText(Bitmap& target, const UiRect& paint, Colour colour) {
    if (!m_manager) return;
    std::wstring text = GetText();
    if (text.empty()) return;
    UiRect rc = m_rect.Deflated(m_textPadding);
    DrawText(target, rc, paint, text, m_manager->GetFont(m_font), colour, m_textStyle);
}

void CLabelUI::PaintText(Bitmap& target, const UiRect& paint) {
    if (!m_manager) return;
    Colour normal = m_textColor.value_or(m_manager->GetDefaultFontColor());
    Colour disabled = m_disabledTextColor ? m_disabledTextColor : m_manager->GetDefaultDisabledColor();
    DrawLabelText(target, paint, IsEnabled() ? normal : disabled);
}

CControlUI* CTextUI::As(const std::wstring& name) {
    if (name == L"Text") return this;
    return CLabelUI::As(name);
}

}  // namespace SkinUI
