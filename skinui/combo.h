#pragma once
// A choice of one item from a list: the items are the control's children (ListLabelElement in
// markup) and the control shows the chosen one's text. There is no drop-down list; the choice
// moves with the arrow keys, the mouse wheel, or SelectItem.
#include <optional>

#include "skinui/container.h"
#include "skinui/label.h"

namespace SkinUI {

class CListLabelElementUI : public CLabelUI {
public:
    std::wstring GetClass() const override { return L"ListLabelElement"; }
    CControlUI* As(const std::wstring& name) override;
};

class CComboUI : public CContainerUI {
public:
    std::wstring GetClass() const override { return L"Combo"; }
    CControlUI* As(const std::wstring& name) override;

    // -1 while nothing is chosen.
    int GetCurSel() const { return m_curSel; }
    // Refuses indexes out of range; the current index does nothing. Sends "itemselect" with
    // the new and the old index.
    bool SelectItem(int index, bool takeFocus = false, bool triggerEvent = true);
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;

    void SetPos(UiRect rc, bool needInvalidate = true) override;
    UiSize EstimateSize(UiSize available) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void HandleEvent(UiEvent& event) override;
    void Paint(Bitmap& target, const UiRect& paint) override;
    CursorShape GetCursor() const override { return CursorShape::Hand; }

private:
    int m_curSel = -1;
    int m_font = -1;
    std::optional<Colour> m_textColor;
    UiRect m_textPadding{4, 0, 4, 0};
};

}  // namespace SkinUI
