#include "skinui/button.h"

#include "skinui/markup/value_parser.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

CButtonUI::CButtonUI() { m_textStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

CControlUI* CButtonUI::As(const std::wstring& name) {
    if (name == L"Button") return this;
    return CLabelUI::As(name);
}

CursorShape CButtonUI::GetCursor() const { return IsEnabled() ? CursorShape::Hand : CursorShape::Arrow; }

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) return false;
    if (m_manager) m_manager->SendNotify(this, L"click");
    return true;
}

void CButtonUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
    // A disabled button is neither hot nor pressed; an option stays selected.
    if (!enabled) m_buttonState &= kStateSelected;
}

void CButtonUI::OnHidden() {
    CLabelUI::OnHidden();
    // Shown again, it is hot only once the pointer comes to it again.
    m_buttonState &= ~(kStateHot | kStatePushed | kStateCaptured);
}

UiSize CButtonUI::EstimateSize(UiSize) {
    if (m_fixedSize.cy > 0 || !m_manager) return m_fixedSize;
    return {m_fixedSize.cx, m_manager->GetFontHeight(m_font) + 8};
}

void CButtonUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    auto colour = [&](Colour& target) {
        if (auto c = ParseColour(value)) target = *c;
    };
    if (name == L"normalimage") SetNormalImage(value);
    else if (name == L"hotimage") SetHotImage(value);
    else if (name == L"pushedimage") SetPushedImage(value);
    else if (name == L"focusedimage") m_focusedImage.Reset(value);
    else if (name == L"disabledimage") SetDisabledImage(value);
    else if (name == L"foreimage") SetForeImage(value);
    else if (name == L"hotforeimage") m_hotForeImage.Reset(value);
    else if (name == L"pushedforeimage") m_pushedForeImage.Reset(value);
    else if (name == L"hotbkcolor") colour(m_hotBkColor);
    else if (name == L"pushedbkcolor") colour(m_pushedBkColor);
    else if (name == L"disabledbkcolor") colour(m_disabledBkColor);
    else if (name == L"hottextcolor") colour(m_hotTextColor);
    else if (name == L"pushedtextcolor") colour(m_pushedTextColor);
    else if (name == L"focusedtextcolor") colour(m_focusedTextColor);
    else if (name == L"fivestatusimage" || name == L"fadedelta") {
        // Image strips and fading between states are not drawn by this framework.
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

void CButtonUI::HandleEvent(UiEvent& event) {
    if (!IsMouseEnabled() && event.type != UiEventType::Timer && event.type != UiEventType::KeyDown &&
        event.type != UiEventType::SetFocus && event.type != UiEventType::KillFocus) {
        if (m_parent) m_parent->HandleEvent(event);
        else CLabelUI::HandleEvent(event);
        return;
    }
    switch (event.type) {
    case UiEventType::KeyDown:
        if (IsKeyboardEnabled() && IsEnabled() && (event.key == VK_SPACE || event.key == VK_RETURN)) {
            Activate();
            return;
        }
        break;
    case UiEventType::ButtonDown:
    case UiEventType::DoubleClick:
        if (m_rect.Contains(event.mouse) && IsEnabled()) {
            m_buttonState |= kStatePushed | kStateCaptured;
            Invalidate();
        }
        return;
    case UiEventType::MouseMove:
        if (m_buttonState & kStateCaptured) {
            if (m_rect.Contains(event.mouse)) m_buttonState |= kStatePushed;
            else m_buttonState &= ~kStatePushed;
            Invalidate();
        }
        return;
    case UiEventType::ButtonUp:
        if (m_buttonState & kStateCaptured) {
            if (m_rect.Contains(event.mouse) && IsEnabled()) Activate();
            m_buttonState &= ~(kStatePushed | kStateCaptured);
            Invalidate();
        }
        return;
    case UiEventType::MouseEnter:
        if (m_rect.Contains(event.mouse) && IsEnabled()) {
            m_buttonState |= kStateHot;
            Invalidate();
            if (m_manager) m_manager->SendNotify(this, L"mouseenter");
        }
        return;
    case UiEventType::MouseLeave:
        if (m_rect.Contains(event.mouse)) return;
        if (IsEnabled() && (m_buttonState & kStateHot)) {
            m_buttonState &= ~kStateHot;
            Invalidate();
            if (m_manager) m_manager->SendNotify(this, L"mouseleave");
        }
        return;
    case UiEventType::SetCursor:
        return;  // the hand cursor; back ends without cursors ignore it
    default:
        break;
    }
    CLabelUI::HandleEvent(event);
}

void CButtonUI::PaintBkColor(Bitmap& target, const UiRect& paint) {
    // The state colours replace the plain background while they apply.
    bool disabled = !IsEnabled();
    if ((disabled && m_disabledBkColor) || (!disabled && (m_buttonState & kStatePushed) && m_pushedBkColor) ||
        (!disabled && (m_buttonState & kStateHot) && m_hotBkColor)) {
        return;
    }
    CLabelUI::PaintBkColor(target, paint);
}

void CButtonUI::PaintText(Bitmap& target, const UiRect& paint) {
    if (!m_manager) return;
    Colour colour = m_textColor.value_or(m_manager->GetDefaultFontColor());
    if (!IsEnabled()) {
        colour = m_disabledTextColor ? m_disabledTextColor : m_manager->GetDefaultDisabledColor();
    } else if ((m_buttonState & kStatePushed) && m_pushedTextColor) {
        colour = m_pushedTextColor;
    } else if ((m_buttonState & kStateHot) && m_hotTextColor) {
        colour = m_hotTextColor;
    } else if (IsFocused() && m_focusedTextColor) {
        colour = m_focusedTextColor;
    }
    DrawLabelText(target, paint, colour);
}

void CButtonUI::PaintStatusImage(Bitmap& target, const UiRect& paint) {
    auto fill = [&](Colour colour) {
        if (colour == 0) return;
        if (m_borderRound.cx > 0 || m_borderRound.cy > 0) {
            target.FillRoundRect(m_rect, m_borderRound.cx, m_borderRound.cy, colour, paint);
        } else {
            target.FillRect(m_rect, colour, paint);
        }
    };
    bool foreDrawn = false;
    if (!IsEnabled()) {
        fill(m_disabledBkColor);
        if (!DrawImage(target, paint, m_disabledImage)) DrawImage(target, paint, m_normalImage);
    } else if (m_buttonState & kStatePushed) {
        fill(m_pushedBkColor);
        if (!DrawImage(target, paint, m_pushedImage)) DrawImage(target, paint, m_normalImage);
        foreDrawn = DrawImage(target, paint, m_pushedForeImage);
    } else if (m_buttonState & kStateHot) {
        fill(m_hotBkColor);
        if (!DrawImage(target, paint, m_hotImage)) DrawImage(target, paint, m_normalImage);
        foreDrawn = DrawImage(target, paint, m_hotForeImage);
    } else if (IsFocused() && DrawImage(target, paint, m_focusedImage)) {
        // drawn
    } else {
        DrawImage(target, paint, m_normalImage);
    }
    if (!foreDrawn) DrawImage(target, paint, m_foreImage);
}

}  // namespace SkinUI
