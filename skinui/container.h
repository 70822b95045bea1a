#pragma once
// Controls that hold other controls, and the three layouts the skins use.
#include <vector>

#include "skinui/control.h"

namespace SkinUI {

class CContainerUI : public CControlUI {
public:
    ~CContainerUI() override;

    std::wstring GetClass() const override { return L"Container"; }
    CControlUI* As(const std::wstring& name) override;

    // The container owns added children.
    virtual bool Add(CControlUI* control);
    virtual bool AddAt(CControlUI* control, int index);
    virtual bool Remove(CControlUI* control);
    virtual void RemoveAll();
    int GetCount() const { return static_cast<int>(m_items.size()); }
    CControlUI* GetItemAt(int index) const;
    int GetItemIndex(CControlUI* control) const;

    const UiRect& GetInset() const { return m_inset; }
    void SetInset(const UiRect& inset) { m_inset = inset; NeedLayout(); }
    int GetChildPadding() const { return m_childPadding; }
    void SetChildPadding(int padding) { m_childPadding = padding < 0 ? 0 : padding; NeedLayout(); }
    UINT GetChildAlign() const { return m_childAlign; }
    UINT GetChildVAlign() const { return m_childVAlign; }

    void SetManager(CPaintManager* manager, CControlUI* parent, bool init = true) override;
    void SetVisible(bool visible = true) override;
    void SetParentVisible(bool visible = true) override;
    void SetPos(UiRect rc, bool needInvalidate = true) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    CControlUI* FindControl(const FindProc& proc, UINT flags) override;
    void Paint(Bitmap& target, const UiRect& paint) override;

protected:
    // Places a floating child by its own position and size relative to the container.
    void SetFloatPos(int index);

    std::vector<CControlUI*> m_items;
    UiRect m_inset;
    int m_childPadding = 0;
    UINT m_childAlign = DT_LEFT;
    UINT m_childVAlign = 0;  // DT_TOP
};

class CVerticalLayoutUI : public CContainerUI {
public:
    std::wstring GetClass() const override { return L"VerticalLayout"; }
    CControlUI* As(const std::wstring& name) override;
    void SetPos(UiRect rc, bool needInvalidate = true) override;
};

class CHorizontalLayoutUI : public CContainerUI {
public:
    std::wstring GetClass() const override { return L"HorizontalLayout"; }
    CControlUI* As(const std::wstring& name) override;
    void SetPos(UiRect rc, bool needInvalidate = true) override;
};

class CTabLayoutUI : public CContainerUI {
public:
    std::wstring GetClass() const override { return L"TabLayout"; }
    CControlUI* As(const std::wstring& name) override;

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;
    int GetCurSel() const { return m_curSel; }
    // Refuses indexes out of range; the current index does nothing. Sends "tabselect".
    virtual bool SelectItem(int index, bool triggerEvent = true);
    void SetPos(UiRect rc, bool needInvalidate = true) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void OnInit() override;

private:
    int m_curSel = -1;
    int m_initialSel = 0;
};

}  // namespace SkinUI
