#include "skinui/option.h"

#include "skinui/markup/value_parser.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

COptionUI::~COptionUI() = default;

CControlUI* COptionUI::As(const std::wstring& name) {
    if (name == L"Option") return this;
    return CButtonUI::As(name);
}

void COptionUI::SetManager(CPaintManager* manager, CControlUI* parent, bool init) {
    CButtonUI::SetManager(manager, parent, init);
    if (init && m_selected && !m_group.empty()) {
        // A group has one selected option: the last one built selected wins.
        bool wanted = m_selected;
        m_selected = false;
        Selected(wanted, false);
    }
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) return false;
    if (!m_group.empty()) Selected(true);
    else Selected(!m_selected);
    return true;
}

void COptionUI::Selected(bool selected, bool notify) {
    if (m_selected == selected) return;
    m_selected = selected;
    if (selected) m_buttonState |= kStateSelected;
    else m_buttonState &= ~kStateSelected;
    if (!m_group.empty()) {
        if (!selected) {
            Invalidate();
            return;
        }
        if (m_manager && m_manager->GetRoot()) {
            const std::wstring group = m_group;
            m_manager->GetRoot()->FindControl(
                [&](CControlUI* control) -> CControlUI* {
                    auto* option = static_cast<COptionUI*>(control->As(L"Option"));
                    if (option && option != this && option->GetGroup() == group) option->Selected(false, false);
                    return nullptr;
                },
                kFindAll);
        }
    }
    if (notify && m_manager) m_manager->SendNotify(this, L"selectchanged");
    Invalidate();
}

void COptionUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"group") {
        SetGroup(value);
    } else if (name == L"selected") {
        Selected(ParseBool(value), false);
    } else if (name == L"selectedimage") {
        SetSelectedImage(value);
    } else if (name == L"selectedhotimage") {
        m_selectedHotImage.Reset(value);
    } else if (name == L"foreimage") {
        m_optionForeImage.Reset(value);
    } else if (name == L"selectedbkcolor") {
        if (auto c = ParseColour(value)) m_selectedBkColor = *c;
    } else if (name == L"selectedtextcolor") {
        if (auto c = ParseColour(value)) m_selectedTextColor = *c;
    } else {
        CButtonUI::SetAttribute(name, value);
    }
}

void COptionUI::PaintStatusImage(Bitmap& target, const UiRect& paint) {
    bool done = false;
    if (m_selected) {
        if ((m_buttonState & kStateHot) && DrawImage(target, paint, m_selectedHotImage)) {
            done = true;
        } else if (DrawImage(target, paint, m_selectedImage)) {
            done = true;
        } else if (m_selectedBkColor) {
            target.FillRect(m_rect, m_selectedBkColor, paint);
            done = true;
        }
    }
    if (!done) {
        UINT saved = m_buttonState;
        m_buttonState &= ~kStatePushed;
        CButtonUI::PaintStatusImage(target, paint);
        m_buttonState = saved;
    }
    DrawImage(target, paint, m_optionForeImage);
}

void COptionUI::PaintText(Bitmap& target, const UiRect& paint) {
    if (m_selected && m_selectedTextColor && IsEnabled() && m_manager) {
        DrawLabelText(target, paint, m_selectedTextColor);
        return;
    }
    CButtonUI::PaintText(target, paint);
}

CControlUI* CCheckBoxUI::As(const std::wstring& name) {
    if (name == L"CheckBox") return this;
    return COptionUI::As(name);
}

}  // namespace SkinUI
