#pragma once
// A choice of one item from a list: the items are the control's children (ListLabelElement in
// markup) and the control shows the chosen one's text beside a drop-down arrow. A click, Alt+Down,
// F4, Enter or Space opens the list of items under it (CDropListWnd); closed, the arrow keys and
// the wheel move the choice. Every change of choice sends "itemselect".
#include <memory>
#include <optional>

#include "skinui/container.h"
#include "skinui/drop_list.h"
#include "skinui/label.h"

namespace SkinUI {

class CListLabelElementUI : public CLabelUI {
public:
    std::wstring GetClass() const override { return L"ListLabelElement"; }
    CControlUI* As(const std::wstring& name) override;
};

class CComboUI : public CContainerUI {
public:
    CComboUI();
    ~CComboUI() override;

    std::wstring GetClass() const override { return L"Combo"; }
    CControlUI* As(const std::wstring& name) override;

    // -1 while nothing is chosen.
    int GetCurSel() const { return m_curSel; }
    // Refuses indexes out of range; the current index does nothing. Sends "itemselect" with
    // the new and the old index.
    bool SelectItem(int index, bool takeFocus = false, bool triggerEvent = true);
    // Items added or removed close the list first.
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;

    // The drop-down list. Opening needs a visible, enabled combo with a place and items.
    bool OpenList();
    void CloseList();
    bool IsListOpen() const { return m_list && m_list->IsOpen(); }
    // The list (null before it was first opened) and its window while it is open.
    const CDropListWnd* GetDropList() const { return m_list.get(); }
    WindowHandle GetListWindow() const { return IsListOpen() ? m_list->GetHWND() : nullptr; }
    // The list's pick: closes it, then selects the item (raising "itemselect"), which may delete
    // this combo: the caller touches neither the combo nor its list afterwards.
    void ChooseFromList(int index);

    int GetFont() const { return m_font; }
    // The text colour from markup, else the window's default.
    Colour GetTextColor() const;
    const UiRect& GetTextPadding() const { return m_textPadding; }
    // Where the chosen item's text is drawn: inside the padding, left of the arrow.
    UiRect GetTextRect() const;
    const DropListStyle& GetListStyle() const { return m_listStyle; }

    void SetPos(UiRect rc, bool needInvalidate = true) override;
    UiSize EstimateSize(UiSize available) override;
    void SetEnabled(bool enabled = true) override;
    void OnHidden() override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void HandleEvent(UiEvent& event) override;
    void Paint(Bitmap& target, const UiRect& paint) override;
    CursorShape GetCursor() const override { return CursorShape::Hand; }

private:
    // Handles a key of the closed combo; false when it is not the combo's.
    bool KeyDown(wchar_t key, bool alt);
    // The part of the face the arrow takes at the right (0 without an arrow).
    int ArrowWidth() const;
    void PaintArrow(Bitmap& target, const UiRect& paint);

    int m_curSel = -1;
    int m_font = -1;
    std::optional<Colour> m_textColor;
    UiRect m_textPadding{4, 0, 4, 0};
    Colour m_arrowColor = 0xFF8A94A6;
    DropListStyle m_listStyle;
    std::unique_ptr<CDropListWnd> m_list;
};

}  // namespace SkinUI
