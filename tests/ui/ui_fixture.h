#pragma once
// Installer windows on the headless window system, built from the linked skin archive.
#include <gtest/gtest.h>

#include "skinui/backend/headless/headless_window_system.h"
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

}  // namespace ui_testing
