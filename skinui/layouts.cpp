#include <algorithm>

#include "skinui/container.h"
#include "skinui/markup/value_parser.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

namespace {

int Clamp(int value, int minimum, int maximum) { return std::max(minimum, std::min(value, maximum)); }

// Sums over many children are kept in 64 bits; what becomes a coordinate is brought back into
// a range whose widths still fit an int.
int Coordinate(long long value) { return static_cast<int>(std::clamp(value, -1000000000LL, 1000000000LL)); }

}  // namespace

CControlUI* CVerticalLayoutUI::As(const std::wstring& name) {
    if (name == L"VerticalLayout") return this;
    return CContainerUI::As(name);
}

void CVerticalLayoutUI::SetPos(UiRect rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    const UiRect inner = rc.Deflated(m_inset);
    const int availableWidth = inner.Width(), availableHeight = inner.Height();

    // Pass 1: measure the fixed children and count the flexible ones.
    int flowed = 0, flexible = 0;
    long long fixedTotal = 0;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* item = m_items[i];
        if (!item->IsVisible()) continue;
        if (item->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        const UiRect& p = item->GetPadding();
        int fw = item->GetFixedWidth() < 1 ? item->GetMaxWidth() : item->GetFixedWidth();
        int fh = item->GetFixedHeight() < 1 ? item->GetMaxHeight() : item->GetFixedHeight();
        UiSize size = item->EstimateSize({std::min(fw, availableWidth - p.left - p.right), std::min(fh, availableHeight)});
        if (size.cy == 0) {
            ++flexible;
        } else {
            size.cy = Clamp(size.cy, item->GetMinHeight(), item->GetMaxHeight());
        }
        fixedTotal += static_cast<long long>(p.top) + p.bottom + (size.cy == 0 ? 0 : size.cy);
        ++flowed;
    }
    if (flowed > 0) fixedTotal += static_cast<long long>(m_childPadding) * (flowed - 1);
    int share = flexible > 0 ? Coordinate(std::max(0LL, (availableHeight - fixedTotal) / flexible)) : 0;

    // Pass 2: place.
    long long y = inner.top, remainingHeight = availableHeight, remainingFixed = fixedTotal;
    int flexibleSeen = 0, placed = 0;
    for (CControlUI* item : m_items) {
        if (!item->IsVisible() || item->IsFloat()) continue;
        const UiRect& p = item->GetPadding();
        remainingHeight -= p.top;
        int fw = item->GetFixedWidth() < 1 ? item->GetMaxWidth() : item->GetFixedWidth();
        int fh = item->GetFixedHeight() < 1 ? item->GetMaxHeight() : item->GetFixedHeight();
        int w = std::min(fw, availableWidth - p.left - p.right);
        remainingFixed -= p.top + p.bottom;
        if (placed > 0) remainingFixed -= m_childPadding;
        UiSize size = item->EstimateSize({w, Coordinate(std::min<long long>(fh, remainingHeight))});
        int height = size.cy;
        if (height != 0) {
            height = Clamp(height, item->GetMinHeight(), item->GetMaxHeight());
            remainingFixed -= height;
        } else {
            ++flexibleSeen;
            height = flexibleSeen == flexible ? Coordinate(std::max(0LL, remainingHeight - p.bottom - remainingFixed))
                                              : share;
            height = Clamp(height, item->GetMinHeight(), item->GetMaxHeight());
        }
        int maxWidth = item->GetMaxWidth() == 0 ? availableWidth - p.left - p.right : item->GetMaxWidth();
        int width = std::max(item->GetMinWidth(), std::max(0, std::min(w, maxWidth)));
        int x = inner.left + p.left;
        if (m_childAlign == DT_CENTER) x = inner.left + inner.Width() / 2 - width / 2;
        else if (m_childAlign == DT_RIGHT) x = inner.right - p.right - width;
        item->SetPos({x, Coordinate(y + p.top), x + width, Coordinate(y + p.top + height)}, false);
        y += static_cast<long long>(height) + p.top + p.bottom + m_childPadding;
        remainingHeight -= static_cast<long long>(height) + p.bottom + m_childPadding;
        ++placed;
    }
}

CControlUI* CHorizontalLayoutUI::As(const std::wstring& name) {
    if (name == L"HorizontalLayout") return this;
    return CContainerUI::As(name);
}

void CHorizontalLayoutUI::SetPos(UiRect rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    const UiRect inner = rc.Deflated(m_inset);
    const int availableWidth = inner.Width(), availableHeight = inner.Height();

    int flowed = 0, flexible = 0;
    long long fixedTotal = 0;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* item = m_items[i];
        if (!item->IsVisible()) continue;
        if (item->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        const UiRect& p = item->GetPadding();
        int width = 0;
        if (item->GetFixedWidth() != 0) {
            int fw = item->GetFixedWidth() < 1 ? item->GetMaxWidth() : item->GetFixedWidth();
            int fh = item->GetFixedHeight() < 1 ? item->GetMaxHeight() : item->GetFixedHeight();
            UiSize size = item->EstimateSize({std::min(fw, availableWidth), std::min(fh, availableHeight - p.top - p.bottom)});
            width = size.cx;
        }
        if (width == 0) ++flexible;
        else width = Clamp(width, item->GetMinWidth(), item->GetMaxWidth());
        fixedTotal += static_cast<long long>(p.left) + p.right + width;
        ++flowed;
    }
    if (flowed > 0) fixedTotal += static_cast<long long>(m_childPadding) * (flowed - 1);
    int share = flexible > 0 ? Coordinate(std::max(0LL, (availableWidth - fixedTotal) / flexible)) : 0;

    long long x = inner.left, remainingWidth = availableWidth, remainingFixed = fixedTotal;
    int flexibleSeen = 0, placed = 0;
    for (CControlUI* item : m_items) {
        if (!item->IsVisible() || item->IsFloat()) continue;
        const UiRect& p = item->GetPadding();
        remainingWidth -= p.left;
        remainingFixed -= p.left + p.right;
        if (placed > 0) remainingFixed -= m_childPadding;
        int fh = item->GetFixedHeight() < 1 ? item->GetMaxHeight() : item->GetFixedHeight();
        int h = std::min(fh, availableHeight - p.top - p.bottom);
        int width = 0;
        if (item->GetFixedWidth() != 0) {
            int fw = item->GetFixedWidth() < 1 ? item->GetMaxWidth() : item->GetFixedWidth();
            width = item->EstimateSize({std::min(fw, availableWidth), h}).cx;
        }
        if (width != 0) {
            width = Clamp(width, item->GetMinWidth(), item->GetMaxWidth());
            remainingFixed -= width;
        } else {
            ++flexibleSeen;
            width = flexibleSeen == flexible ? Coordinate(std::max(0LL, remainingWidth - p.right - remainingFixed))
                                             : share;
            width = Clamp(width, item->GetMinWidth(), item->GetMaxWidth());
        }
        int maxHeight = item->GetMaxHeight() == 0 ? availableHeight - p.top - p.bottom : item->GetMaxHeight();
        int height = std::max(item->GetMinHeight(), std::max(0, std::min(h, maxHeight)));
        int y = inner.top + p.top;
        if (m_childVAlign == DT_VCENTER) y = inner.top + inner.Height() / 2 - height / 2;
        else if (m_childVAlign == DT_BOTTOM) y = inner.bottom - p.bottom - height;
        item->SetPos({Coordinate(x + p.left), y, Coordinate(x + p.left + width), y + height}, false);
        x += static_cast<long long>(width) + p.left + p.right + m_childPadding;
        remainingWidth -= static_cast<long long>(width) + p.right + m_childPadding;
        ++placed;
    }
}

CControlUI* CTabLayoutUI::As(const std::wstring& name) {
    if (name == L"TabLayout") return this;
    return CContainerUI::As(name);
}

bool CTabLayoutUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index)) return false;
    if (m_curSel == -1 && control->IsVisible()) {
        m_curSel = GetItemIndex(control);
    } else {
        if (m_curSel >= index) ++m_curSel;
        control->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
    int index = GetItemIndex(control);
    if (!CContainerUI::Remove(control)) return false;
    if (m_curSel == index) {
        m_curSel = -1;
        if (GetCount() > 0) {
            int next = std::min(index, GetCount() - 1);
            m_curSel = next;
            m_items[next]->SetVisible(true);
        }
    } else if (m_curSel > index) {
        --m_curSel;
    }
    return true;
}

void CTabLayoutUI::RemoveAll() {
    m_curSel = -1;
    CContainerUI::RemoveAll();
}

bool CTabLayoutUI::SelectItem(int index, bool triggerEvent) {
    if (index < 0 || index >= GetCount()) return false;
    if (index == m_curSel) return true;
    int old = m_curSel;
    m_curSel = index;
    for (int i = 0; i < GetCount(); ++i) m_items[i]->SetVisible(i == index);
    NeedParentLayout();
    NeedLayout();
    if (m_manager) {
        m_manager->SetFocus(nullptr);
        if (triggerEvent) m_manager->SendNotify(this, L"tabselect", static_cast<WPARAM>(index), old);
    }
    return true;
}

void CTabLayoutUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"selectedid") {
        m_initialSel = ParseInt(value);
        if (m_manager) SelectItem(m_initialSel, false);
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

void CTabLayoutUI::OnInit() {
    if (m_initialSel != m_curSel && m_initialSel >= 0 && m_initialSel < GetCount()) SelectItem(m_initialSel, false);
}

void CTabLayoutUI::SetPos(UiRect rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    const UiRect inner = rc.Deflated(m_inset);
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* item = m_items[i];
        if (!item->IsVisible()) continue;
        if (item->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        if (i != m_curSel) continue;
        const UiRect& p = item->GetPadding();
        int w = inner.Width() - p.left - p.right, h = inner.Height() - p.top - p.bottom;
        UiSize size = item->EstimateSize({w, h});
        if (size.cx == 0) size.cx = std::max(0, w);
        if (size.cy == 0) size.cy = std::max(0, h);
        size.cx = Clamp(size.cx, item->GetMinWidth(), item->GetMaxWidth());
        size.cy = Clamp(size.cy, item->GetMinHeight(), item->GetMaxHeight());
        int left = inner.left + p.left, top = inner.top + p.top;
        item->SetPos({left, top, left + size.cx, top + size.cy}, false);
    }
}

}  // namespace SkinUI
