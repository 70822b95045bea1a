#include "skinui/edit.h"

#include <algorithm>

#include "skinui/backend/window_system.h"
#include "skinui/markup/value_parser.h"
#include "skinui/paint_manager.h"
#include "skinui/render/text_renderer.h"

namespace SkinUI {

namespace {

// Characters a single line keeps: no line breaks (the Unicode line and paragraph separators
// too), tabs or other control characters.
std::wstring SingleLine(const std::wstring& text) {
    std::wstring kept;
    for (wchar_t c : text) {
        if (c >= 0x20 && !(c >= 0x7F && c <= 0x9F) && c != 0x2028 && c != 0x2029) kept += c;
    }
    return kept;
}

// The control characters the keyboard sends with Ctrl held.
constexpr wchar_t kSelectAll = 0x01, kCopy = 0x03, kBackspace = 0x08, kPaste = 0x16, kCut = 0x18;

constexpr Colour kSelectionColour = 0xFF3399FF, kSelectedTextColour = 0xFFFFFFFF;

// Marks drawn on the character before them: the caret never stops between the two, and a
// deletion takes them along.
bool IsCombining(wchar_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
           (c >= 0x20D0 && c <= 0x20FF) || (c >= 0x3099 && c <= 0x309A) || (c >= 0xFE00 && c <= 0xFE0F) ||
           (c >= 0xFE20 && c <= 0xFE2F);
}

std::size_t PreviousBoundary(const std::wstring& text, std::size_t position) {
    if (position == 0) return 0;
    --position;
    while (position > 0 && IsCombining(text[position])) --position;
    return position;
}

std::size_t NextBoundary(const std::wstring& text, std::size_t position) {
    if (position >= text.size()) return text.size();
    ++position;
    while (position < text.size() && IsCombining(text[position])) ++position;
    return position;
}

bool KeyHeld(WPARAM key) { return GetWindowSystem() && GetWindowSystem()->IsKeyDown(key); }

}  // namespace

CEditUI::CEditUI() { m_textStyle = DT_SINGLELINE | DT_VCENTER; }

CControlUI* CEditUI::As(const std::wstring& name) {
    if (name == L"Edit") return this;
    return CLabelUI::As(name);
}

CursorShape CEditUI::GetCursor() const { return IsEnabled() ? CursorShape::IBeam : CursorShape::Arrow; }

void CEditUI::SetText(const std::wstring& text) {
    std::wstring limited = text;
    if (m_maxChar > 0 && limited.size() > static_cast<std::size_t>(m_maxChar)) limited.resize(m_maxChar);
    CLabelUI::SetText(limited);
    m_caret = m_anchor = m_text.size();
}

void CEditUI::SetMaxChar(int maxChar) {
    m_maxChar = maxChar;
    if (m_maxChar > 0 && m_text.size() > static_cast<std::size_t>(m_maxChar)) SetText(m_text);
}

void CEditUI::SetSel(std::size_t anchor, std::size_t caret) {
    m_anchor = std::min(anchor, m_text.size());
    m_caret = std::min(caret, m_text.size());
    Invalidate();
}

void CEditUI::MoveCaret(std::size_t position, bool extend) { SetSel(extend ? m_anchor : position, position); }

void CEditUI::Changed() {
    Invalidate();
    if (m_manager) m_manager->SendNotify(this, L"textchanged");
}

bool CEditUI::DeleteSelection() {
    if (!HasSelection()) return false;
    const std::size_t start = GetSelStart();
    m_text.erase(start, GetSelEnd() - start);
    m_caret = m_anchor = start;
    return true;
}

bool CEditUI::InsertText(const std::wstring& text) {
    if (m_readOnly) return false;
    std::wstring insert = SingleLine(text);
    if (insert.empty()) return false;
    SetSel(m_anchor, m_caret);  // both within the text
    const std::size_t kept = m_text.size() - (GetSelEnd() - GetSelStart());
    if (m_maxChar > 0) {
        const std::size_t limit = static_cast<std::size_t>(m_maxChar);
        const std::size_t room = kept >= limit ? 0 : limit - kept;
        if (insert.size() > room) {
            // A mark cut from its base would land on whatever precedes the insertion.
            std::size_t cut = room;
            while (cut > 0 && IsCombining(insert[cut])) --cut;
            insert.resize(cut);
        }
    }
    // A full field leaves the selection alone rather than deleting it for nothing.
    if (insert.empty()) return false;
    DeleteSelection();
    m_text.insert(m_caret, insert);
    m_caret = m_anchor = m_caret + insert.size();
    Changed();
    return true;
}

bool CEditUI::Backspace() {
    if (m_readOnly) return false;
    SetSel(m_anchor, m_caret);
    if (!DeleteSelection()) {
        if (m_caret == 0) return false;
        const std::size_t start = PreviousBoundary(m_text, m_caret);
        m_text.erase(start, m_caret - start);
        m_caret = m_anchor = start;
    }
    Changed();
    return true;
}

bool CEditUI::DeleteForward() {
    if (m_readOnly) return false;
    SetSel(m_anchor, m_caret);
    if (!DeleteSelection()) {
        if (m_caret >= m_text.size()) return false;
        m_text.erase(m_caret, NextBoundary(m_text, m_caret) - m_caret);
    }
    Changed();
    return true;
}

bool CEditUI::Copy() {
    if (m_password || !HasSelection() || !GetWindowSystem()) return false;
    return GetWindowSystem()->SetClipboardText(GetSelText());
}

bool CEditUI::Cut() {
    if (m_readOnly || !Copy()) return false;
    DeleteSelection();
    Changed();
    return true;
}

bool CEditUI::Paste() {
    if (m_readOnly || !GetWindowSystem()) return false;
    return InsertText(GetWindowSystem()->GetClipboardText());
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

bool CEditUI::KeyDown(WPARAM key) {
    const bool extend = KeyHeld(VK_SHIFT);
    switch (key) {
    case VK_LEFT:
        if (HasSelection() && !extend) MoveCaret(GetSelStart(), false);
        else MoveCaret(PreviousBoundary(m_text, m_caret), extend);
        return true;
    case VK_RIGHT:
        if (HasSelection() && !extend) MoveCaret(GetSelEnd(), false);
        else MoveCaret(NextBoundary(m_text, m_caret), extend);
        return true;
    case VK_HOME: MoveCaret(0, extend); return true;
    case VK_END: MoveCaret(m_text.size(), extend); return true;
    case VK_DELETE:
        if (extend) Cut();
        else DeleteForward();
        return true;
    case VK_INSERT:
        if (KeyHeld(VK_CONTROL)) Copy();
        else if (extend) Paste();
        return true;
    default: return false;  // Enter, Escape, Tab and the rest belong to the window
    }
}

void CEditUI::Character(wchar_t character) {
    switch (character) {
    case kSelectAll: SelectAll(); return;
    case kCopy: Copy(); return;
    case kCut: Cut(); return;
    case kPaste: Paste(); return;
    case kBackspace: Backspace(); return;
    default:
        // Enter, Escape, Tab and the other Ctrl keys are not text.
        if (character >= 0x20 && character != 0x7F) InsertText(std::wstring(1, character));
        return;
    }
}

void CEditUI::HandleEvent(UiEvent& event) {
    switch (event.type) {
    case UiEventType::ButtonDown:
        if (IsEnabled()) {
            const bool focused = IsFocused();
            MoveCaret(PositionFromPoint(event.mouse), KeyHeld(VK_SHIFT));
            m_selecting = true;
            // The candidate box goes where the caret now is.
            if (focused) StartTextInput();
            else SetFocus();
        }
        return;
    case UiEventType::DoubleClick:
        if (IsEnabled()) {
            SetFocus();
            SelectAll();
        }
        return;
    case UiEventType::MouseMove:
        if (m_selecting) MoveCaret(PositionFromPoint(event.mouse), true);
        return;
    case UiEventType::ButtonUp:
        m_selecting = false;
        return;
    case UiEventType::MouseEnter:
        m_hot = true;
        Invalidate();
        return;
    case UiEventType::MouseLeave:
        m_hot = false;
        Invalidate();
        return;
    case UiEventType::SetCursor:
        return;
    case UiEventType::KeyDown:
        if (IsEnabled() && KeyDown(event.key)) return;
        break;
    case UiEventType::Char:
        if (IsEnabled()) Character(event.key);
        return;
    case UiEventType::Composition:
        m_composition = GetWindowSystem() ? GetWindowSystem()->GetCompositionText() : std::wstring();
        m_compositionCaret = std::min(static_cast<std::size_t>(event.wParam), m_composition.size());
        Invalidate();
        return;
    case UiEventType::SetFocus:
        CLabelUI::HandleEvent(event);
        StartTextInput();
        return;
    case UiEventType::KillFocus:
        m_selecting = false;
        m_composition.clear();
        if (GetWindowSystem()) GetWindowSystem()->StopTextInput();
        CLabelUI::HandleEvent(event);
        return;
    default:
        break;
    }
    CLabelUI::HandleEvent(event);
}

void CEditUI::StartTextInput() {
    if (!m_manager || !GetWindowSystem()) return;
    GetWindowSystem()->StartTextInput(m_manager->GetPaintWindow(), CaretRect());
}

// ---- Geometry and painting

std::wstring CEditUI::Shown() const { return m_password ? std::wstring(m_text.size(), m_passwordChar) : m_text; }

std::wstring CEditUI::Composed() const {
    return m_password ? std::wstring(m_composition.size(), m_passwordChar) : m_composition;
}

int CEditUI::TextWidth(const std::wstring& text) const {
    if (!m_manager || text.empty()) return 0;
    return m_manager->MeasureTextWidth(text, m_font);
}

int CEditUI::TextOrigin(const std::wstring& shown, const UiRect& box) {
    const int width = TextWidth(shown), room = box.Width();
    if (width < room) {
        m_scroll = 0;
        if (m_textStyle & DT_CENTER) return box.left + (room - width) / 2;
        if (m_textStyle & DT_RIGHT) return box.right - width;
        return box.left;
    }
    // Scrolled no further than needed to show the caret, and never past the text's end.
    const std::size_t caret = std::min(m_caret + m_compositionCaret, shown.size());
    const int caretX = TextWidth(shown.substr(0, caret));
    if (caretX - m_scroll > room - 1) m_scroll = caretX - room + 1;
    if (caretX < m_scroll) m_scroll = caretX;
    m_scroll = std::clamp(m_scroll, 0, width - room + 1);
    return box.left - m_scroll;
}

std::size_t CEditUI::PositionFromPoint(UiPoint point) {
    const std::wstring shown = Shown();
    const UiRect box = m_rect.Deflated(m_textPadding);
    const int x = point.x - TextOrigin(shown, box);
    int previous = 0;
    for (std::size_t i = 1; i <= shown.size(); ++i) {
        const int width = TextWidth(shown.substr(0, i));
        if (width >= x) {
            std::size_t position = x - previous <= width - x ? i - 1 : i;
            while (position > 0 && position < m_text.size() && IsCombining(m_text[position])) --position;
            return position;
        }
        previous = width;
    }
    return shown.size();
}

UiRect CEditUI::CaretRect() {
    const UiRect box = m_rect.Deflated(m_textPadding);
    std::wstring shown = Shown();
    shown.insert(std::min(m_caret, shown.size()), Composed());
    const int origin = TextOrigin(shown, box);
    const int x = origin + TextWidth(shown.substr(0, std::min(m_caret + m_compositionCaret, shown.size())));
    const int height = m_manager ? std::min(m_manager->GetFontHeight(m_font), box.Height()) : box.Height();
    const int top = box.top + (box.Height() - height) / 2;
    return {x, top, x + 1, top + height};
}

void CEditUI::PaintStatusImage(Bitmap& target, const UiRect& paint) {
    if (!IsEnabled() && DrawImage(target, paint, m_disabledImage)) return;
    if (IsFocused() && DrawImage(target, paint, m_focusedImage)) return;
    if (m_hot && DrawImage(target, paint, m_hotImage)) return;
    DrawImage(target, paint, m_normalImage);
}

void CEditUI::PaintText(Bitmap& target, const UiRect& paint) {
    if (!m_manager) return;
    std::wstring shown = Shown();
    Colour colour = m_textColor.value_or(m_manager->GetDefaultFontColor());
    if (!IsEnabled()) colour = m_disabledTextColor ? m_disabledTextColor : m_manager->GetDefaultDisabledColor();
    const UiRect box = m_rect.Deflated(m_textPadding);
    const FontSpec& font = m_manager->GetFont(m_font);
    if (!IsFocused()) {
        if (!shown.empty()) DrawText(target, box, paint, shown, font, colour, m_textStyle | DT_END_ELLIPSIS);
        return;
    }
    // Focused: the whole line, scrolled to the caret, with the selection, the text being
    // composed (underlined) and the caret.
    const std::size_t caret = std::min(m_caret, shown.size());
    shown.insert(caret, Composed());
    const int origin = TextOrigin(shown, box);
    const UiRect clip = Intersect(paint, box);
    const UINT style = (m_textStyle & ~(DT_CENTER | DT_RIGHT | DT_END_ELLIPSIS | DT_WORDBREAK)) | DT_SINGLELINE;
    const UiRect line{origin, box.top, origin + TextWidth(shown) + 4, box.bottom};
    auto xAt = [&](std::size_t position) { return origin + TextWidth(shown.substr(0, position)); };
    const UiRect caretRect = CaretRect();
    if (!shown.empty()) DrawText(target, line, clip, shown, font, colour, style);
    if (HasSelection() && m_composition.empty()) {
        const UiRect selected{xAt(GetSelStart()), caretRect.top, xAt(GetSelEnd()), caretRect.bottom};
        const UiRect selectedClip = Intersect(clip, selected);
        target.FillRect(selected, kSelectionColour, clip);
        if (!selectedClip.IsEmpty()) DrawText(target, line, selectedClip, shown, font, kSelectedTextColour, style);
    }
    if (!m_composition.empty()) {
        const int left = xAt(caret), right = xAt(caret + m_composition.size());
        target.FillRect({left, caretRect.bottom - 1, right, caretRect.bottom}, colour, clip);
    }
    target.FillRect(caretRect, colour, clip);
}

}  // namespace SkinUI
