#include "skinui/container.h"

#include <algorithm>

#include "skinui/markup/value_parser.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

CContainerUI::~CContainerUI() {
    for (CControlUI* item : m_items) delete item;
}

CControlUI* CContainerUI::GetInterface(const std::wstring& name) {
    if (name == L"Container" || name == L"IContainer") return this;
    return CControlUI::GetInterface(name);
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (!control || index < 0 || index > GetCount()) return false;
    m_items.insert(m_items.begin() + index, control);
    if (m_manager) control->SetManager(m_manager, this, true);
    else control->SetManager(nullptr, this, false);
    if (!IsVisible()) control->SetInternVisible(false);
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* control) {
    auto found = std::find(m_items.begin(), m_items.end(), control);
    if (found == m_items.end()) return false;
    m_items.erase(found);
    delete control;
    NeedUpdate();
    return true;
}

void CContainerUI::RemoveAll() {
    for (CControlUI* item : m_items) delete item;
    m_items.clear();
    NeedUpdate();
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
    for (CControlUI* item : m_items) item->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible) {
    CControlUI::SetInternVisible(visible);
    for (CControlUI* item : m_items) item->SetInternVisible(IsVisible());
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
    UiSize size = item->EstimateSize({m_rcItem.Width(), m_rcItem.Height()});
    int width = size.cx > 0 ? size.cx : item->GetFixedWidth();
    int height = size.cy > 0 ? size.cy : item->GetFixedHeight();
    item->SetPos({m_rcItem.left + xy.x, m_rcItem.top + xy.y, m_rcItem.left + xy.x + width,
                  m_rcItem.top + xy.y + height}, false);
}

void CContainerUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"inset") {
        SetInset(ParseRect(value));
    } else if (name == L"childpadding") {
        SetChildPadding(ParseLength(value));
    } else if (name == L"childalign") {
        m_childAlign = value == L"center" ? DT_CENTER : value == L"right" ? DT_RIGHT : DT_LEFT;
        NeedUpdate();
    } else if (name == L"childvalign") {
        m_childVAlign = value == L"vcenter" ? DT_VCENTER : value == L"bottom" ? DT_BOTTOM : 0;
        NeedUpdate();
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

CControlUI* CContainerUI::FindControl(const FindProc& proc, UINT flags) {
    if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
    if (flags & UIFIND_ME_FIRST) {
        if (CControlUI* found = CControlUI::FindControl(proc, flags)) return found;
    }
    if (flags & UIFIND_TOP_FIRST) {
        for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
            if (CControlUI* found = (*it)->FindControl(proc, flags)) return found;
        }
    } else {
        for (CControlUI* item : m_items) {
            if (CControlUI* found = item->FindControl(proc, flags)) return found;
        }
    }
    if (!(flags & UIFIND_ME_FIRST)) return CControlUI::FindControl(proc, flags);
    return nullptr;
}

void CContainerUI::DoPaint(Bitmap& target, const UiRect& paint) {
    UiRect area = Intersect(paint, m_rcItem);
    if (area.IsEmpty()) return;
    CControlUI::DoPaint(target, area);
    for (CControlUI* item : m_items) {
        if (!item->IsVisible()) continue;
        if (!Intersects(area, item->GetPos())) continue;
        // Children are clipped to the container (floating ones too).
        item->DoPaint(target, area);
    }
}

}  // namespace SkinUI
