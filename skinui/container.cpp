#include "skinui/container.h"

#include <algorithm>

#include "skinui/markup/value_parser.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

CContainerUI::~CContainerUI() {
    for (CControlUI* item : m_items) delete item;
}

CControlUI* CContainerUI::As(const std::wstring& name) {
    if (name == L"Container" || name == L"IContainer") return this;
    return CControlUI::As(name);
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (!control || index < 0 || index > GetCount()) return false;
    m_items.insert(m_items.begin() + index, control);
    if (m_manager) control->SetManager(m_manager, this, true);
    else control->SetManager(nullptr, this, false);
    if (!IsVisible()) control->SetParentVisible(false);
    NeedLayout();
    return true;
}

bool CContainerUI::Remove(CControlUI* control) {
    auto found = std::find(m_items.begin(), m_items.end(), control);
    if (found == m_items.end()) return false;
    m_items.erase(found);
    delete control;
    NeedLayout();
    return true;
}

void CContainerUI::RemoveAll() {
    for (CControlUI* item : m_items) delete item;
    m_items.clear();
    NeedLayout();
}

CControlUI* CContainerUI::GetItemAt(int index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    return m_items[index];
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
    auto found = std::find(m_items.begin(), m_items.end(), control);
    return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
}

void CContainerUI::SetManager(CPaintManager* manager, CControlUI* parent, bool init) {
    for (CControlUI* item : m_items) item->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

void CContainerUI::SetVisible(bool visible) {
    if (m_visible == visible) return;
    CControlUI::SetVisible(visible);
    for (CControlUI* item : m_items) item->SetParentVisible(IsVisible());
}

void CContainerUI::SetParentVisible(bool visible) {
    CControlUI::SetParentVisible(visible);
    for (CControlUI* item : m_items) item->SetParentVisible(IsVisible());
}

void CContainerUI::SetPos(UiRect rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    UiRect inner = rc.Deflated(m_inset);
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* item = m_items[i];
        if (!item->IsVisible()) continue;
        if (item->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        const UiRect& p = item->GetPadding();
        item->SetPos({inner.left + p.left, inner.top + p.top, inner.right - p.right, inner.bottom - p.bottom}, false);
    }
}

void CContainerUI::SetFloatPos(int index) {
    CControlUI* item = GetItemAt(index);
    if (!item) return;
    UiPoint xy = item->GetFixedXY();
    UiSize size = item->EstimateSize({m_rect.Width(), m_rect.Height()});
    int width = size.cx > 0 ? size.cx : item->GetFixedWidth();
    int height = size.cy > 0 ? size.cy : item->GetFixedHeight();
    item->SetPos({m_rect.left + xy.x, m_rect.top + xy.y, m_rect.left + xy.x + width,
                  m_rect.top + xy.y + height}, false);
}

void CContainerUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"inset") {
        SetInset(ParseRect(value));
    } else if (name == L"childpadding") {
        SetChildPadding(ParseLength(value));
    } else if (name == L"childalign") {
        m_childAlign = value == L"center" ? DT_CENTER : value == L"right" ? DT_RIGHT : DT_LEFT;
        NeedLayout();
    } else if (name == L"childvalign") {
        m_childVAlign = value == L"vcenter" ? DT_VCENTER : value == L"bottom" ? DT_BOTTOM : 0;
        NeedLayout();
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

CControlUI* CContainerUI::FindControl(const FindProc& proc, UINT flags) {
    if ((flags & kFindVisible) && !IsVisible()) return nullptr;
    if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
    if (flags & kFindSelfFirst) {
        if (CControlUI* found = CControlUI::FindControl(proc, flags)) return found;
    }
    if (flags & kFindTopFirst) {
        for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
            if (CControlUI* found = (*it)->FindControl(proc, flags)) return found;
        }
    } else {
        for (CControlUI* item : m_items) {
            if (CControlUI* found = item->FindControl(proc, flags)) return found;
        }
    }
    if (!(flags & kFindSelfFirst)) return CControlUI::FindControl(proc, flags);
    return nullptr;
}

void CContainerUI::Paint(Bitmap& target, const UiRect& paint) {
    UiRect area = Intersect(paint, m_rect);
    if (area.IsEmpty()) return;
    CControlUI::Paint(target, area);
    for (CControlUI* item : m_items) {
        if (!item->IsVisible()) continue;
        if (!Intersects(area, item->GetPos())) continue;
        // Children are clipped to the container (floating ones too).
        item->Paint(target, area);
    }
}

}  // namespace SkinUI
