#pragma once
#include "skinui/label.h"

namespace SkinUI {

// A single-line text field: a caret and a selection (anchor to caret) moved by keys and the
// mouse, the clipboard, a length limit, read-only and password modes. Keyboard typing and
// input-method text are delivered by the window back end.
class CEditUI : public CLabelUI {
public:
    CEditUI();
    std::wstring GetClass() const override { return L"Edit"; }
    CControlUI* As(const std::wstring& name) override;

    void SetText(const std::wstring& text) override;
    int GetMaxChar() const { return m_maxChar; }
    void SetMaxChar(int maxChar);
    CursorShape GetCursor() const override;
    bool IsReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; Invalidate(); }
    bool IsPasswordMode() const { return m_password; }
    std::size_t GetCaret() const { return m_caret; }
    // Collapses the selection at the position.
    void SetCaret(std::size_t position) { SetSel(position, position); }

    // The selection runs from the anchor to the caret, in either direction.
    void SetSel(std::size_t anchor, std::size_t caret);
    void SelectAll() { SetSel(0, m_text.size()); }
    std::size_t GetSelStart() const { return std::min(m_anchor, m_caret); }
    std::size_t GetSelEnd() const { return std::max(m_anchor, m_caret); }
    bool HasSelection() const { return m_anchor != m_caret; }
    std::wstring GetSelText() const { return m_text.substr(GetSelStart(), GetSelEnd() - GetSelStart()); }

    // Editing the model: insert at the caret (replacing the selection), delete the selection
    // or the character before or after the caret. Each sends one "textchanged" when the text
    // changed.
    bool InsertText(const std::wstring& text);
    bool Backspace();
    bool DeleteForward();
    // The clipboard: nothing leaves a password field, nothing changes in a read-only one.
    bool Copy();
    bool Cut();
    bool Paste();

    // What an input method is composing: shown at the caret, not yet part of the text.
    const std::wstring& GetComposition() const { return m_composition; }

    // The text position nearest to a point (window client coordinates).
    std::size_t PositionFromPoint(UiPoint point);

    UiSize EstimateSize(UiSize available) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void HandleEvent(UiEvent& event) override;
    void PaintStatusImage(Bitmap& target, const UiRect& paint) override;
    void PaintText(Bitmap& target, const UiRect& paint) override;

private:
    void Changed();
    bool DeleteSelection();
    // False for keys the edit leaves to its window.
    bool KeyDown(WPARAM key);
    void Character(wchar_t character);
    void MoveCaret(std::size_t position, bool extend);
    std::wstring Shown() const;
    // The text being composed as shown: masked in a password field.
    std::wstring Composed() const;
    int TextWidth(const std::wstring& text) const;
    // Where position 0 of the shown text lies, with the text scrolled to keep the caret in
    // the box.
    int TextOrigin(const std::wstring& shown, const UiRect& box);
    UiRect CaretRect();
    void StartTextInput();

    int m_maxChar = 255;
    bool m_readOnly = false;
    bool m_password = false;
    wchar_t m_passwordChar = L'*';
    std::size_t m_caret = 0, m_anchor = 0;
    bool m_selecting = false;  // the mouse button went down here and is still held
    int m_scroll = 0;          // pixels of text scrolled out at the left
    std::wstring m_composition;
    std::size_t m_compositionCaret = 0;
    ImageDrawRecord m_normalImage, m_hotImage, m_focusedImage, m_disabledImage;
    Colour m_nativeBkColor = 0;
    bool m_hot = false;
};

}  // namespace SkinUI
