#pragma once
// Installer windows on the headless window system, built from the linked skin archive.
#include <gtest/gtest.h>

#include <string>

#include "platform/utf8.h"
#include "skinui/backend/headless/headless_window_system.h"
#include "skinui/label.h"
#include "skinui/paint_manager.h"
#include "skinui/render/text_renderer.h"
#include "skinui/skin_resources.h"
#include "skinui/text_table.h"
#include "ui/wnd_shadow.h"

namespace ui_testing {

class UiFixture : public ::testing::Test {
protected:
    UiFixture() {
        SkinUI::SkinResources::Instance().Reset();
        SkinUI::TextTable::Instance().Clear();
        SkinUI::SetWindowSystem(&system);
        CWndShadow::Initialize();
    }
    ~UiFixture() override {
        // Windows go before the system they live in.
        for (SkinUI::WindowHandle window : system.Windows()) system.DestroyWindow(window);
        SkinUI::SetWindowSystem(nullptr);
        SkinUI::SkinResources::Instance().Reset();
        SkinUI::TextTable::Instance().Clear();
    }

    SkinUI::HeadlessWindowSystem system;
};

// Every visible text of a window fits its control (inside the text padding; a multi-line one in
// its height too), no "%{n}" reference is left unexpanded, and no text lies past the window's
// right edge. A combo's items have no place of their own: it shows the chosen one.
inline void ExpectTextsFit(SkinUI::CPaintManager& manager, int windowWidth, const std::string& where) {
    manager.GetRoot()->FindControl(
        [&](SkinUI::CControlUI* control) -> SkinUI::CControlUI* {
            auto* label = static_cast<SkinUI::CLabelUI*>(control->As(L"Label"));
            const std::wstring text = control->GetText();
            if (!label || text.empty() || (control->GetParent() && control->GetParent()->As(L"Combo"))) return nullptr;
            const std::string what = where + " " + platform::WideToUtf8(text);
            EXPECT_EQ(text.find(L"%{"), std::wstring::npos) << what;
            const SkinUI::UiRect& pos = control->GetPos();
            const SkinUI::UiRect& padding = label->GetTextPadding();
            const int width = pos.Width() - padding.left - padding.right;
            const SkinUI::FontSpec& font = manager.GetFont(label->GetFont());
            if (label->IsMultiLine()) {
                const SkinUI::UiSize needed = SkinUI::MeasureText(text, font, width);
                EXPECT_LE(needed.cx, width) << what;
                EXPECT_LE(needed.cy, pos.Height() - padding.top - padding.bottom) << what;
            } else {
                EXPECT_LE(SkinUI::MeasureText(text, font).cx, width) << what;
            }
            EXPECT_LE(pos.right, windowWidth) << what;
            return nullptr;
        },
        SkinUI::kFindVisible);
}

}  // namespace ui_testing
