#pragma once
// Headless windows over skin files written into a temporary folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skinui/backend/headless/headless_window_system.h"
#include "skinui/skin_resources.h"
#include "skinui/window_impl_base.h"
#include "tests/support/temp_folder.h"

namespace skin_testing {

struct Seen {
    std::wstring type;
    std::wstring sender;
    SkinUI::WPARAM wParam;
    SkinUI::LPARAM lParam;
};

class TestWindow : public SkinUI::WindowImplBase {
public:
    explicit TestWindow(std::wstring skinFile, SkinUI::SkinSource kind = SkinUI::SkinSource::Folder)
        : m_skinFile(std::move(skinFile)), m_kind(kind) {}

    std::wstring GetWindowClassName() const override { return L"TestWnd"; }
    std::wstring GetSkinFolder() override { return L""; }
    std::wstring GetSkinFile() override { return m_skinFile; }
    SkinUI::SkinSource GetSkinSource() const override { return m_kind; }
    int GetSkinResourceId() const override { return 147; }
    void OnSkinBuilt() override { ++initCount; }
    void Notify(SkinUI::Notification& message) override {
        seen.push_back({message.type, message.sender ? message.sender->GetName() : L"", message.wParam, message.lParam});
        WindowImplBase::Notify(message);
    }
    void OnLastMessage(SkinUI::WindowHandle window) override {
        WindowImplBase::OnLastMessage(window);
        destroyed = true;
    }
    int Count(const std::wstring& type) const {
        int n = 0;
        for (const Seen& s : seen) n += s.type == type;
        return n;
    }
    SkinUI::WindowHandle Open(SkinUI::WindowHandle parent = nullptr) {
        using namespace SkinUI;
        return Create(parent, L"test", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
    }

    std::vector<Seen> seen;
    int initCount = 0;
    bool destroyed = false;

private:
    std::wstring m_skinFile;
    SkinUI::SkinSource m_kind;
};

inline int g_exitCode = -1000;

class SkinFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SkinUI::SkinResources::Instance().Reset();
        SkinUI::SkinResources::Instance().SetResourcePath(folder.Path());
        SkinUI::SetWindowSystem(&system);
        g_exitCode = -1000;
        SkinUI::SetExitHandler([](int code) { g_exitCode = code; });
    }
    void TearDown() override {
        SkinUI::SetExitHandler(nullptr);
        SkinUI::SkinResources::Instance().Reset();
    }
    ~SkinFixture() override {
        // Windows go before the system they live in.
        for (SkinUI::WindowHandle window : system.Windows()) system.DestroyWindow(window);
        SkinUI::SetWindowSystem(nullptr);
    }

    void WriteSkin(const std::wstring& name, const std::string& markup) { folder.WriteFile(name, markup); }

    testing_support::TempFolder folder;
    SkinUI::HeadlessWindowSystem system;
};

}  // namespace skin_testing
