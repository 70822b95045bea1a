#include "ui/sequence_button.h"

#include "skinui/markup/value_parser.h"
#include "skinui/paint_manager.h"

CSequenceButtonUI::CSequenceButtonUI() {
    m_animation.span = 60;
    m_animation.round = true;
}

SkinUI::CControlUI* CSequenceButtonUI::As(const std::wstring& kind) {
    if (kind == L"SequenceButton") return this;
    return CButtonUI::As(kind);
}

void CSequenceButtonUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    const std::wstring key = SkinUI::AsciiLower(name);
    if (key == L"pressedtextinset") SetPressedTextInset(SkinUI::ParseRect(value));
    else if (key == L"sequenceimage1") SetSequenceImage1(value);
    else if (key == L"sequenceimage2") SetSequenceImage2(value);
    else SequenceControl::SetAttribute(name, value);
}

void CSequenceButtonUI::PaintText(SkinUI::Bitmap& target, const SkinUI::UiRect& paint) {
    if (!m_manager || !(m_buttonState & SkinUI::kStatePushed) || m_pressedTextInset.IsZero()) {
        CButtonUI::PaintText(target, paint);
        return;
    }
    SkinUI::Colour colour = m_textColor.value_or(m_manager->GetDefaultFontColor());
    if (!IsEnabled()) colour = m_disabledTextColor ? m_disabledTextColor : m_manager->GetDefaultDisabledColor();
    else if (m_hotTextColor) colour = m_hotTextColor;
    SkinUI::DrawText(target, m_rect.Deflated(m_pressedTextInset), paint, GetText(), m_manager->GetFont(m_font), colour,
                     m_textStyle);
}

bool CSequenceButtonUI::CopyChannel(const SkinUI::Bitmap& from, SkinUI::Bitmap& to, int channel) {
    if (channel < 0 || channel > 3 || from.Width() != to.Width() || from.Height() != to.Height()) return false;
    const int shift = channel * 8;
    const std::uint32_t mask = 0xFFu << shift;
    for (int y = 0; y < from.Height(); ++y) {
        const std::uint32_t* source = from.Row(y);
        std::uint32_t* target = to.Row(y);
        for (int x = 0; x < from.Width(); ++x) target[x] = (target[x] & ~mask) | (source[x] & mask);
    }
    return true;
}
