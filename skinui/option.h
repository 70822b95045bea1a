#pragma once
#include "skinui/button.h"

namespace SkinUI {

// A button with a selection: options of one group exclude each other; without a group the
// option toggles (a check box).
class COptionUI : public CButtonUI {
public:
    ~COptionUI() override;
    std::wstring GetClass() const override { return L"Option"; }
    CControlUI* As(const std::wstring& name) override;

    void SetManager(CPaintManager* manager, CControlUI* parent, bool init = true) override;
    bool Activate() override;
    bool IsSelected() const { return m_selected; }
    virtual void Selected(bool selected, bool notify = true);
    const std::wstring& GetGroup() const { return m_group; }
    void SetGroup(const std::wstring& group) { m_group = group; }
    void SetSelectedImage(const std::wstring& image) { m_selectedImage.Reset(image); Invalidate(); }

    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintStatusImage(Bitmap& target, const UiRect& paint) override;
    void PaintText(Bitmap& target, const UiRect& paint) override;

protected:
    bool m_selected = false;
    std::wstring m_group;
    ImageDrawRecord m_selectedImage, m_selectedHotImage, m_optionForeImage;
    Colour m_selectedBkColor = 0, m_selectedTextColor = 0;
};

class CCheckBoxUI : public COptionUI {
public:
    std::wstring GetClass() const override { return L"CheckBox"; }
    CControlUI* As(const std::wstring& name) override;
    void SetCheck(bool check) { Selected(check); }
    bool GetCheck() const { return IsSelected(); }
};

}  // namespace SkinUI
