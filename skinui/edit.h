#pragma once
#include "skinui/label.h"

namespace SkinUI {

// A single-line text field: shows its text, keeps a caret and a length limit. Keyboard
// typing is delivered by the window back end.
class CEditUI : public CLabelUI {
public:
    CEditUI();
    std::wstring GetClass() const override { return L"Edit"; }
    CControlUI* GetInterface(const std::wstring& name) override;

    void SetText(const std::wstring& text) override;
    int GetMaxChar() const { return m_maxChar; }
    void SetMaxChar(int maxChar);
    CursorShape GetCursor() const override;
    bool IsReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; Invalidate(); }
    bool IsPasswordMode() const { return m_password; }
    std::size_t GetCaret() const { return m_caret; }
    void SetCaret(std::size_t position) { m_caret = std::min(position, m_text.size()); }

    // Editing the model: insert at the caret, delete before or after it. Each sends
    // "textchanged" when the text changed.
    bool InsertText(const std::wstring& text);
    bool Backspace();
    bool DeleteForward();

    UiSize EstimateSize(UiSize available) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void DoEvent(UiEvent& event) override;
    void PaintStatusImage(Bitmap& target, const UiRect& paint) override;
    void PaintText(Bitmap& target, const UiRect& paint) override;

private:
    void Changed();

    int m_maxChar = 255;
    bool m_readOnly = false;
    bool m_password = false;
    wchar_t m_passwordChar = L'*';
    std::size_t m_caret = 0;
    ImageDrawRecord m_normalImage, m_hotImage, m_focusedImage, m_disabledImage;
    Colour m_nativeBkColor = 0;
    bool m_hot = false;
};

}  // namespace SkinUI
