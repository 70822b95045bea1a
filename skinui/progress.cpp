#include "skinui/progress.h"

#include <algorithm>

#include "skinui/markup/value_parser.h"

namespace SkinUI {

CProgressUI::CProgressUI() {
    m_textStyle = DT_SINGLELINE | DT_CENTER;
    SetFixedHeight(12);
}

CControlUI* CProgressUI::As(const std::wstring& name) {
    if (name == L"Progress") return this;
    return CLabelUI::As(name);
}

void CProgressUI::SetValue(int value) {
    int low = std::min(m_min, m_max), high = std::max(m_min, m_max);
    value = std::clamp(value, low, high);
    if (value == m_value) return;
    m_value = value;
    Invalidate();
}

UiSize CProgressUI::EstimateSize(UiSize available) { return CLabelUI::EstimateSize(available); }

void CProgressUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"foreimage") SetForeImage(value);
    else if (name == L"hor") SetHorizontal(ParseBool(value));
    else if (name == L"min") SetMinValue(ParseLength(value));
    else if (name == L"max") SetMaxValue(ParseLength(value));
    else if (name == L"value") SetValue(ParseLength(value));
    else if (name == L"isstretchfore") {
        // The fore image is always drawn as a nine-grid over the covered share.
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

void CProgressUI::PaintStatusImage(Bitmap& target, const UiRect& paint) {
    if (m_max <= m_min) m_max = m_min + 1;
    m_value = std::clamp(m_value, m_min, m_max);
    const long long range = m_max - m_min;
    const int width = m_rect.Width(), height = m_rect.Height();
    UiRect share;
    if (m_horizontal) {
        share = {0, 0, static_cast<int>(width * static_cast<long long>(m_value - m_min) / range), height};
    } else {
        share = {0, static_cast<int>(height * static_cast<long long>(m_max - m_value) / range), width, height};
    }
    if (share.IsEmpty() || m_foreImage.IsEmpty()) return;
    // The share becomes the fore image's destination, whatever the image string says.
    if (!PrepareImage(m_foreImage)) return;
    ImageDrawRecord record = m_foreImage;
    record.dest = share;
    SkinUI::DrawImage(target, m_rect, paint, record);
}

}  // namespace SkinUI
