#include "skinui/combo.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "skinui/markup/value_parser.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

namespace {

constexpr int kArrowRoom = 28;  // the face's right part that holds the arrow
constexpr int kMaxRowHeight = 200, kMaxRows = 100;

// Distance from a point to a segment.
double SegmentDistance(double x, double y, double x0, double y0, double x1, double y1) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double t = std::clamp(((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy));
}

// A chevron pointing down (or up) around a centre, its strokes 1.6 pixels wide, edges smoothed
// by sampling each pixel 4 x 4 times.
void DrawChevron(Bitmap& target, double cx, double cy, bool up, Colour colour, const UiRect& clip) {
    constexpr double kHalfWidth = 4.5, kHalfHeight = 2.5, kHalfStroke = 0.8;
    const double tipY = up ? cy - kHalfHeight : cy + kHalfHeight, endY = up ? cy + kHalfHeight : cy - kHalfHeight;
    const UiRect box = Intersect(Intersect({static_cast<int>(cx - kHalfWidth - 2), static_cast<int>(cy - kHalfHeight - 2),
                                            static_cast<int>(cx + kHalfWidth + 3), static_cast<int>(cy + kHalfHeight + 3)},
                                           clip),
                                 target.Bounds());
    const std::uint32_t pixel = Premultiply(colour);
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            int covered = 0;
            for (int sample = 0; sample < 16; ++sample) {
                const double sx = x + (sample % 4 + 0.5) / 4, sy = y + (sample / 4 + 0.5) / 4;
                const double d = std::min(SegmentDistance(sx, sy, cx - kHalfWidth, endY, cx, tipY),
                                          SegmentDistance(sx, sy, cx, tipY, cx + kHalfWidth, endY));
                covered += d <= kHalfStroke;
            }
            if (covered) target.Set(x, y, BlendPixel(target.At(x, y), pixel, static_cast<std::uint8_t>(covered * 255 / 16)));
        }
    }
}

}  // namespace

CControlUI* CListLabelElementUI::As(const std::wstring& name) {
    if (name == L"ListLabelElement") return this;
    return CLabelUI::As(name);
}

CComboUI::CComboUI() = default;

CComboUI::~CComboUI() {
    // The list goes before the items it shows.
    m_list.reset();
}

CControlUI* CComboUI::As(const std::wstring& name) {
    if (name == L"Combo") return this;
    return CContainerUI::As(name);
}

bool CComboUI::SelectItem(int index, bool takeFocus, bool triggerEvent) {
    if (index < 0 || index >= GetCount()) return false;
    if (takeFocus) SetFocus();
    if (index == m_curSel) return true;
    int old = m_curSel;
    m_curSel = index;
    Invalidate();
    if (triggerEvent && m_manager) {
        m_manager->SendNotify(this, L"itemselect", static_cast<WPARAM>(index), static_cast<LPARAM>(old));
    }
    return true;
}

bool CComboUI::AddAt(CControlUI* control, int index) {
    CloseList();
    return CContainerUI::AddAt(control, index);
}

bool CComboUI::Remove(CControlUI* control) {
    CloseList();
    int index = GetItemIndex(control);
    if (!CContainerUI::Remove(control)) return false;
    if (index == m_curSel) m_curSel = -1;
    else if (index < m_curSel) --m_curSel;
    return true;
}

void CComboUI::RemoveAll() {
    CloseList();
    m_curSel = -1;
    CContainerUI::RemoveAll();
}

bool CComboUI::OpenList() {
    if (IsListOpen()) return true;
    if (!IsVisible() || !IsEnabled()) return false;
    if (!m_list) m_list = std::make_unique<CDropListWnd>(*this);
    if (!m_list->Open()) return false;
    Invalidate();  // the arrow turns
    return true;
}

void CComboUI::CloseList() {
    if (!IsListOpen()) return;
    m_list->Close();
    Invalidate();
}

void CComboUI::ChooseFromList(int index) {
    CloseList();
    SelectItem(index);
}

Colour CComboUI::GetTextColor() const {
    return m_textColor.value_or(m_manager ? m_manager->GetDefaultFontColor() : 0xFF000000);
}

// The items are a list to choose from, not part of the control's face: they get no place. A
// list left where the combo no longer is would be misplaced: it closes.
void CComboUI::SetPos(UiRect rc, bool needInvalidate) {
    if (!(rc == m_rect)) CloseList();
    CControlUI::SetPos(rc, needInvalidate);
}

UiSize CComboUI::EstimateSize(UiSize) {
    if (m_fixedSize.cy > 0 || !m_manager) return m_fixedSize;
    return {m_fixedSize.cx, m_manager->GetFontHeight(m_font) + 8};
}

void CComboUI::SetEnabled(bool enabled) {
    if (!enabled) CloseList();
    CContainerUI::SetEnabled(enabled);
}

void CComboUI::OnHidden() {
    CloseList();
    CContainerUI::OnHidden();
}

void CComboUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    static const std::pair<const wchar_t*, Colour DropListStyle::*> kListColours[] = {
        {L"listbkcolor", &DropListStyle::bkColor},
        {L"listbordercolor", &DropListStyle::borderColor},
        {L"listhotcolor", &DropListStyle::hotColor},
        {L"listselectedcolor", &DropListStyle::selectedColor},
        {L"listtextcolor", &DropListStyle::textColor},
        {L"listselectedtextcolor", &DropListStyle::selectedTextColor},
        {L"listthumbcolor", &DropListStyle::thumbColor},
    };
    for (const auto& [key, member] : kListColours) {
        if (name != key) continue;
        if (auto c = ParseColour(value)) m_listStyle.*member = *c;
        return;
    }
    if (name == L"font") {
        m_font = ParseInt(value, -1);
        NeedParentLayout();
    } else if (name == L"textcolor") {
        if (auto c = ParseColour(value)) m_textColor = *c;
    } else if (name == L"textpadding") {
        m_textPadding = ParseRect(value);
    } else if (name == L"arrowcolor") {
        if (auto c = ParseColour(value)) m_arrowColor = *c;
    } else if (name == L"listrowheight") {
        m_listStyle.rowHeight = std::clamp(ParseInt(value), 0, kMaxRowHeight);
    } else if (name == L"listrows") {
        m_listStyle.rows = std::clamp(ParseInt(value, 8), 1, kMaxRows);
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

bool CComboUI::KeyDown(wchar_t key, bool alt) {
    if (alt) {
        if (key != VK_UP && key != VK_DOWN) return false;
        OpenList();
        return true;
    }
    switch (key) {
    case VK_F4:
    case VK_RETURN:
    case VK_SPACE:
        if (IsListOpen()) CloseList();
        else OpenList();
        return true;
    case VK_UP: SelectItem(m_curSel - 1); return true;
    case VK_DOWN: SelectItem(m_curSel + 1); return true;
    case VK_HOME: SelectItem(0); return true;
    case VK_END: SelectItem(GetCount() - 1); return true;
    default: return false;
    }
}

void CComboUI::HandleEvent(UiEvent& event) {
    if (!IsEnabled()) {
        CContainerUI::HandleEvent(event);
        return;
    }
    switch (event.type) {
    case UiEventType::ButtonDown:
    case UiEventType::DoubleClick:
        SetFocus();
        if (IsListOpen()) CloseList();
        else OpenList();
        return;
    case UiEventType::KeyDown:
    case UiEventType::SysKeyDown:
        if (KeyDown(event.key, event.type == UiEventType::SysKeyDown)) return;
        break;
    case UiEventType::ScrollWheel: {
        // The wheel's delta sits in the high word: forward (up) is positive.
        const int delta = HighWord(static_cast<LPARAM>(event.wParam));
        if (IsListOpen()) m_list->Wheel(delta);
        else SelectItem(delta > 0 ? m_curSel - 1 : m_curSel + 1);
        return;
    }
    case UiEventType::KillFocus:
        CloseList();
        break;
    default:
        break;
    }
    CContainerUI::HandleEvent(event);
}

UiRect CComboUI::GetTextRect() const {
    UiRect text = m_rect.Deflated(m_textPadding);
    text.right = std::min(text.right, m_rect.right - ArrowWidth());
    return text;
}

int CComboUI::ArrowWidth() const { return (m_arrowColor >> 24) != 0 ? kArrowRoom : 0; }

void CComboUI::PaintArrow(Bitmap& target, const UiRect& paint) {
    if (ArrowWidth() == 0) return;
    const Colour colour = IsEnabled() ? m_arrowColor : (m_manager ? m_manager->GetDefaultDisabledColor() : m_arrowColor);
    DrawChevron(target, m_rect.right - kArrowRoom / 2.0 - 1, (m_rect.top + m_rect.bottom) / 2.0, IsListOpen(), colour,
                paint);
}

void CComboUI::Paint(Bitmap& target, const UiRect& paint) {
    UiRect area = Intersect(paint, m_rect);
    if (area.IsEmpty()) return;
    PaintBkColor(target, area);
    PaintBkImage(target, area);
    if (m_manager && m_curSel >= 0) {
        Colour colour = !IsEnabled() ? m_manager->GetDefaultDisabledColor() : GetTextColor();
        DrawText(target, GetTextRect(), area, m_items[m_curSel]->GetText(), m_manager->GetFont(m_font), colour,
                 DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    }
    PaintArrow(target, area);
    PaintBorder(target, area);
}

}  // namespace SkinUI
