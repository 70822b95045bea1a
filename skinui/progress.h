#pragma once
#include "skinui/label.h"

namespace SkinUI {

// A bar: the fore image covers the share of the bar that the value gives.
class CProgressUI : public CLabelUI {
public:
    CProgressUI();
    std::wstring GetClass() const override { return L"Progress"; }
    CControlUI* As(const std::wstring& name) override;

    bool IsHorizontal() const { return m_horizontal; }
    void SetHorizontal(bool horizontal) { m_horizontal = horizontal; Invalidate(); }
    int GetMinValue() const { return m_min; }
    int GetMaxValue() const { return m_max; }
    void SetMinValue(int value) { m_min = value; Invalidate(); }
    void SetMaxValue(int value) { m_max = value; Invalidate(); }
    int GetValue() const { return m_value; }
    // Clamped to the range.
    void SetValue(int value);
    const std::wstring& GetForeImage() const { return m_foreImage.text; }
    void SetForeImage(const std::wstring& image) { m_foreImage.Reset(image); Invalidate(); }

    UiSize EstimateSize(UiSize available) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintStatusImage(Bitmap& target, const UiRect& paint) override;

private:
    bool m_horizontal = true;
    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    ImageDrawRecord m_foreImage;
};

}  // namespace SkinUI
