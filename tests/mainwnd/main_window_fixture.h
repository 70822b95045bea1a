#pragma once
// The main window on the headless window system, installing the demo package from an in-process
// server. The user's folders (home, configuration, data, temporary) lie in a fresh folder; the
// window's system services are fakes the test reads; boxes are answered from a script by the
// window system's idle hook, in the order they open.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "settings/installer_settings.h"
#include "skinui/backend/headless/headless_window_system.h"
#include "skinui/edit.h"
#include "skinui/markup/value_parser.h"
#include "skinui/option.h"
#include "skinui/progress.h"
#include "skinui/skin_resources.h"
#include "skinui/text_table.h"
#include "tests/support/http_test_server.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/ui_fixture.h"
#include "ui/main_wnd.h"
#include "ui/message_box.h"
#include "utils/digest.h"
#include "utils/message_pump.h"
#include "utils/registry.h"
#include "utils/text.h"

namespace mainwnd_testing {

using testing_support::HttpRequest;
using testing_support::HttpResponse;
using testing_support::HttpTestServer;
using testing_support::ScopedVariable;
using testing_support::TempFolder;

inline const std::wstring kDemo = platform::PathFromNative(KELVO_DEMO_PACKAGE);

// A box as it was shown.
struct ShownBox {
    std::wstring file;
    std::wstring text;
    std::wstring caption;
};

class MainWindowTest : public ui_testing::UiFixture {
protected:
    MainWindowTest() {
        platform::SetSleepDivisor(20);
        InstallerSettings& settings = InstallerSettings::Instance();
        m_savedSettings = settings;
        settings.DownloadUrl = PackageUrl();
        settings.DownloadType = 1;
        settings.DownloadScale = 0.7;
        settings.IsCheckNet = false;
        settings.InsNew = false;
        settings.InstCmd.clear();
        settings.Language = 1;  // the original Chinese texts
        SetMessageBoxHook([this](CMessageBoxWnd& box) {
            ShownBox shown{box.GetDescriptor().skinFile, {}, {}};
            if (box.GetTextLabel()) shown.text = box.GetTextLabel()->GetText();
            if (box.GetCaptionLabel()) shown.caption = box.GetCaptionLabel()->GetText();
            boxes.push_back(shown);
            m_openBoxes.push_back({box.GetHWND(), boxes.size() - 1});
            if (onBox) onBox(box);
        });
        system.SetIdleHook([this] { return AnswerBox(); });
    }
    ~MainWindowTest() override {
        // The job's workers and the package they run end with the window object.
        window.reset();
        SetMessageBoxHook(nullptr);
        system.SetIdleHook(nullptr);
        InstallerSettings::Instance() = m_savedSettings;
        platform::SetSleepDivisor(1);
    }

    std::wstring PackageUrl() const { return server.Url("/" + digest + "/kelvoKids_setup.exe"); }

    CMainWnd::Services Services() {
        CMainWnd::Services services = CMainWnd::Services::System();
        services.records.consoleUserIsAdmin = [] { return true; };
        services.records.processIsAdmin = [] { return true; };
        services.records.checkNetwork = [this] { return network.load(); };
        services.records.openUrl = [](const std::wstring&) { return true; };
        services.records.startProgram = [this](const std::wstring& program) {
            std::lock_guard<std::mutex> lock(m_mutex);
            started.push_back(program);
            return true;
        };
        services.openProgram = [this](const std::wstring& program, const std::wstring& folder) {
            std::lock_guard<std::mutex> lock(m_mutex);
            started.push_back(program + L" in " + folder);
            return true;
        };
        services.freeBytes = [this](const std::wstring&) { return freeBytes; };
        services.tickCount = [this] { return tick; };
        if (chooser) services.chooseFolder = chooser;
        return services;
    }

    // Builds the window as the entry does (hidden, centred, shown unless it is closing already).
    void Open(const WindowDescriptor& descriptor = WindowDescriptor::ForSkinFile(L"MainWnd.xml")) {
        window = std::make_unique<CMainWnd>(Services(), descriptor);
        using namespace SkinUI;
        handle = window->Create(nullptr, CMainWnd::kTitle, WS_OVERLAPPEDWINDOW, 0);
        ASSERT_TRUE(handle);
        if (!window->IsClosing()) window->ShowWindow();
        system.RunPending();
    }

    // Runs the window (its workers' messages included) until the condition holds or the window
    // is gone; false after the time limit.
    bool RunUntil(const std::function<bool()>& done, int seconds = 60) {
        const std::uint32_t start = platform::GetTickCount();
        while (!done()) {
            if (!system.IsWindow(handle)) return done();
            if (platform::GetTickCount() - start > static_cast<std::uint32_t>(seconds) * 1000) return false;
            system.PumpOne(20);
        }
        return true;
    }
    bool RunUntilPage(int page) {
        return RunUntil([&] { return system.IsWindow(handle) && window->CurrentPage() == page; });
    }
    bool RunUntilClosed() {
        return RunUntil([&] { return !system.IsWindow(handle); });
    }

    template <class Kind = SkinUI::CControlUI>
    Kind* Control(const wchar_t* name) {
        SkinUI::CControlUI* control = window->FindControl(name);
        return control ? static_cast<Kind*>(control) : nullptr;
    }
    bool Click(const wchar_t* name) { return system.ClickControl(handle, name); }
    std::wstring ProgressText() { return Control(L"progressLb")->GetText(); }
    int ProgressValue() { return Control<SkinUI::CProgressUI>(L"installPrg")->GetValue(); }
    void TypeFolder(const std::wstring& folder) { Control<SkinUI::CEditUI>(L"installDirEdit")->SetText(folder); }

    // The answer to the next box of that skin file: a click on the named control.
    void Answer(const std::wstring& file, const std::wstring& control) { answers.push_back({file, control}); }
    std::vector<std::wstring> BoxFiles() const {
        std::vector<std::wstring> files;
        for (const ShownBox& box : boxes) files.push_back(box.file);
        return files;
    }

    std::wstring Recorded(const wchar_t* value) {
        std::uint32_t type = 0;
        std::wstring text;
        Utils::RegReadString(value, type, text);
        return text;
    }
    // No installation recorded (the key store goes).
    void ForgetInstallations() { platform::RemoveFile(home.Join(L"config/VemarSoft/keys.reg")); }
    std::wstring DefaultFolder() const { return home.Join(L"data/ostrelin/kelvoKids"); }
    std::vector<std::wstring> Started() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return started;
    }
    // What the package was given, as it wrote it down ("dsc", "ssc", "inslang", ...).
    std::wstring PackageArgument(const std::wstring& folder, const wchar_t* key) {
        return platform::GetProfileString(L"Install", key, L"?", 1024, platform::JoinPath(folder, L"demo-install.ini"));
    }
    // Records an earlier installation in the folder: the demo product and its uninstaller, and
    // the registry values.
    void PlantEarlierInstallation(const std::wstring& folder, const std::string& language = "zh-CN") {
        std::error_code error;
        std::filesystem::create_directories(platform::PathToNative(folder), error);
        ASSERT_TRUE(platform::IsDirectory(folder));
        for (const wchar_t* name : {L"Kelvo_Kids.exe", L"uninst.ep"}) {
            ASSERT_TRUE(platform::CopyWholeFile(kDemo, platform::JoinPath(folder, name)));
            platform::SetExecutable(platform::JoinPath(folder, name));
        }
        // The language the installed product runs in, which the installer takes over.
        std::ofstream(platform::PathToNative(platform::JoinPath(folder, L"config.ini"))) << "[Install]\nLanguage=" << language << "\n";
        ASSERT_TRUE(Utils::RegWriteString(L"InstallPath", folder));
        ASSERT_TRUE(Utils::RegWriteString(L"UnInstallEp", platform::JoinPath(folder, L"uninst.ep")));
    }

    TempFolder home;
    TempFolder temp;
    ScopedVariable homeVariable{"HOME", home.NativePath().c_str()};
    ScopedVariable configVariable{"XDG_CONFIG_HOME", platform::PathToNative(home.Join(L"config")).c_str()};
    ScopedVariable dataVariable{"XDG_DATA_HOME", platform::PathToNative(home.Join(L"data")).c_str()};
    ScopedVariable tempVariable{"TMPDIR", temp.NativePath().c_str()};
    ScopedVariable demoOptions{"KELVO_DEMO_OPTIONS", "pace=0"};
    std::unique_ptr<CMainWnd> window;
    SkinUI::WindowHandle handle = nullptr;

    std::atomic<std::uint32_t> network{0};
    std::uint64_t freeBytes = 100ull << 30;
    std::uint32_t tick = 0;
    CFolderChoice::Chooser chooser;
    std::vector<std::wstring> started;
    std::vector<ShownBox> boxes;
    std::deque<std::pair<std::wstring, std::wstring>> answers;
    std::function<void(CMessageBoxWnd&)> onBox;

    // The server's answers, read by its connection threads.
    std::string package = *testing_support::ReadFile(kDemo);
    std::string digest = Utils::GetFileMd5(platform::PathToNative(kDemo));
    std::atomic<bool> missing{false};  // 404 for the package
    std::atomic<bool> stall{false};    // half the package, then silence
    std::atomic<int> packageRequests{0};
    HttpTestServer server{[this](const HttpRequest& request) {
        if (request.path != "/" + digest + "/kelvoKids_setup.exe" || missing) {
            HttpResponse response;
            response.status = 404;
            response.reason = "Not Found";
            return response;
        }
        ++packageRequests;
        HttpResponse response = HttpTestServer::Bytes(request, package);
        if (stall && request.method == "GET") {
            response.cutAfter = response.body.size() / 2;
            response.stall = true;
        }
        return response;
    }};

private:
    // Clicks the scripted answer in the open box; a box nobody scripted is closed by its close
    // button (and the test fails on what it then finds).
    // Boxes open inside each other's loops (a report that opens one arrives while another is
    // open): the innermost one is answered first.
    bool AnswerBox() {
        while (!m_openBoxes.empty() && !system.IsWindow(m_openBoxes.back().first)) m_openBoxes.pop_back();
        if (m_openBoxes.empty() || m_openBoxes.back().second == kAnswered) return false;
        const SkinUI::WindowHandle box = m_openBoxes.back().first;
        const ShownBox shown = boxes[m_openBoxes.back().second];
        m_openBoxes.back().second = kAnswered;
        std::wstring control = L"closebtn";
        const auto answer = std::find_if(answers.begin(), answers.end(), [&](const auto& scripted) {
            return SkinUI::EqualsNoCase(scripted.first, shown.file);
        });
        if (answer != answers.end()) {
            control = answer->second;
            answers.erase(answer);
        } else {
            ADD_FAILURE() << "unexpected box " << Utils::WideToUtf8(shown.file) << ": " << Utils::WideToUtf8(shown.text);
        }
        system.ClickControl(box, control);
        return true;
    }
    static constexpr std::size_t kAnswered = static_cast<std::size_t>(-1);

    std::mutex m_mutex;
    std::vector<std::pair<SkinUI::WindowHandle, std::size_t>> m_openBoxes;  // and their records
    InstallerSettings m_savedSettings;
};

}  // namespace mainwnd_testing
