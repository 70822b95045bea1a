#pragma once
#include <optional>

#include "skinui/control.h"

namespace SkinUI {

// Text in a font and colour, aligned in the control less its text padding.
class CLabelUI : public CControlUI {
public:
    std::wstring GetClass() const override { return L"Label"; }
    CControlUI* As(const std::wstring& name) override;

    void SetText(const std::wstring& text) override;
    UINT GetTextStyle() const { return m_textStyle; }
    void SetTextStyle(UINT style) { m_textStyle = style; m_measured = false; Invalidate(); }
    int GetFont() const { return m_font; }
    void SetFont(int index) { m_font = index; m_measured = false; NeedParentLayout(); }
    // The text colour as set; a set colour may be transparent (#00000000), unlike no colour.
    Colour GetTextColor() const { return m_textColor.value_or(0); }
    bool HasTextColor() const { return m_textColor.has_value(); }
    void SetTextColor(Colour colour) { m_textColor = colour; Invalidate(); }
    Colour GetDisabledTextColor() const { return m_disabledTextColor; }
    const UiRect& GetTextPadding() const { return m_textPadding; }
    void SetTextPadding(const UiRect& padding) { m_textPadding = padding; m_measured = false; NeedParentLayout(); }
    bool IsMultiLine() const { return (m_textStyle & DT_SINGLELINE) == 0; }
    void SetMultiLine(bool multiLine);

    UiSize EstimateSize(UiSize available) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintText(Bitmap& target, const UiRect& paint) override;

protected:
    // Draws the text in the given colour inside the control less its text padding.
    void DrawLabelText(Bitmap& target, const UiRect& paint, Colour colour);

    int m_font = -1;
    std::optional<Colour> m_textColor;
    Colour m_disabledTextColor = 0;
    UINT m_textStyle = DT_VCENTER | DT_SINGLELINE;
    UiRect m_textPadding;

private:
    bool m_measured = false;
    UiSize m_lastAvailable;
    UiSize m_measuredSize;
    // The text as last measured: a new language in the numbered-text table changes it without
    // a SetText.
    std::wstring m_measuredText;
    UiSize m_measuredFixed;
};

// A label by another name ("Text" in markup).
class CTextUI : public CLabelUI {
public:
    std::wstring GetClass() const override { return L"Text"; }
    CControlUI* As(const std::wstring& name) override;
};

}  // namespace SkinUI
