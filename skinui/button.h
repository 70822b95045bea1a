#pragma once
#include "skinui/label.h"

namespace SkinUI {

// A label that can be clicked: hot while the mouse is over it, pushed while pressed on it,
// with an image and colours for each state.
class CButtonUI : public CLabelUI {
public:
    CButtonUI();
    std::wstring GetClass() const override { return L"Button"; }
    CControlUI* As(const std::wstring& name) override;

    bool Activate() override;
    void SetEnabled(bool enabled = true) override;
    void OnHidden() override;
    UINT GetButtonState() const { return m_buttonState; }
    CursorShape GetCursor() const override;

    const std::wstring& GetNormalImage() const { return m_normalImage.text; }
    void SetNormalImage(const std::wstring& image) { m_normalImage.Reset(image); Invalidate(); }
    void SetHotImage(const std::wstring& image) { m_hotImage.Reset(image); Invalidate(); }
    void SetPushedImage(const std::wstring& image) { m_pushedImage.Reset(image); Invalidate(); }
    void SetDisabledImage(const std::wstring& image) { m_disabledImage.Reset(image); Invalidate(); }
    void SetForeImage(const std::wstring& image) { m_foreImage.Reset(image); Invalidate(); }
    void SetHotTextColor(Colour c) { m_hotTextColor = c; }
    Colour GetHotTextColor() const { return m_hotTextColor; }

    UiSize EstimateSize(UiSize available) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void HandleEvent(UiEvent& event) override;
    void PaintText(Bitmap& target, const UiRect& paint) override;
    void PaintStatusImage(Bitmap& target, const UiRect& paint) override;
    void PaintBkColor(Bitmap& target, const UiRect& paint) override;

protected:
    UINT m_buttonState = 0;
    ImageDrawRecord m_normalImage, m_hotImage, m_pushedImage, m_focusedImage, m_disabledImage;
    ImageDrawRecord m_foreImage, m_hotForeImage, m_pushedForeImage;
    Colour m_hotBkColor = 0, m_pushedBkColor = 0, m_disabledBkColor = 0;
    Colour m_hotTextColor = 0, m_pushedTextColor = 0, m_focusedTextColor = 0;
};

}  // namespace SkinUI
