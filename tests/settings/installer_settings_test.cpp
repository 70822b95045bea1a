#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "platform/file_system.h"
#include "platform/os_version.h"
#include "settings/installer_settings.h"
#include "tests/support/temp_folder.h"

namespace {

struct WindowsXp : platform::OsVersionProvider {
    platform::NtVersionNumbers GetNtVersionNumbers() const override { return {true, true, 5, 1, 2600}; }
    bool IsServerR2() const override { return false; }
    bool HasWow64Query() const override { return true; }
    bool QueryWow64(bool& is64) const override { return is64 = false, true; }
    bool NativeArchitectureIs64() const override { return false; }
};

class Settings : public ::testing::Test {
protected:
    InstallerSettings FromFile(const std::string& content) {
        InstallerSettings settings;
        settings.ReadConfigurationFile(folder.WriteFile(L"VemarInstallerConfig.ini", content));
        return settings;
    }
    testing_support::TempFolder folder;
};

TEST_F(Settings, DefaultsWithoutFileOrOptions) {
    InstallerSettings settings;
    settings.ReadConfigurationFile(folder.Join(L"VemarInstallerConfig.ini"));  // absent
    settings.ApplyCommandLine(std::vector<std::wstring>{L"/opt/installer"});
    EXPECT_EQ(settings.DownloadUrl, L"http://download.example.com/software/711");
    EXPECT_EQ(settings.DownloadType, 1);
    EXPECT_FALSE(settings.IsCheckNet);
    EXPECT_TRUE(settings.IsEnableAppSensors);
    EXPECT_DOUBLE_EQ(settings.DownloadScale, 0.7);
    EXPECT_EQ(settings.DlAppNameSuffix, L".downloader");
    EXPECT_EQ(settings.InstCmd, L"");
    EXPECT_EQ(settings.Language, -1);
    EXPECT_FALSE(settings.InsNew);
}

TEST_F(Settings, AFileWithAnEmptySectionTurnsTheNetworkCheckOn) {
    InstallerSettings settings = FromFile("[Install]\n");
    EXPECT_TRUE(settings.IsCheckNet);
    EXPECT_EQ(settings.DownloadType, 1);
    EXPECT_DOUBLE_EQ(settings.DownloadScale, 0.7);
    EXPECT_EQ(settings.DownloadUrl, InstallerSettings::DefaultDownloadUrl());
}

TEST_F(Settings, AFileThatCannotBeReadGivesTheFilesDefaults) {
    // A folder by that name can be opened by nobody as a file; a file without read permission
    // only by root.
    const std::wstring path = folder.Join(L"VemarInstallerConfig.ini");
    const std::function<void()> unreadable[] = {
        [&] { ASSERT_TRUE(platform::CreateFolder(path)); },
        [&] {
            folder.WriteFile(L"VemarInstallerConfig.ini", "[Install]\nIsCheckNet=false\nDownloadType=3\n");
            ::chmod(platform::PathToNative(path).c_str(), 0);
        },
    };
    for (const auto& make : unreadable) {
        make();
        if (testing_support::ReadFile(path)) continue;  // root reads it all the same
        InstallerSettings settings;
        settings.DownloadType = 7;
        settings.ReadConfigurationFile(path);
        EXPECT_TRUE(settings.IsCheckNet);
        EXPECT_EQ(settings.DownloadType, 1);
        EXPECT_EQ(settings.DownloadUrl, InstallerSettings::DefaultDownloadUrl());
        std::error_code ignored;
        std::filesystem::remove_all(platform::PathToNative(path), ignored);
    }
}

TEST_F(Settings, ReadsTheFileByTheProfileRules) {
    InstallerSettings settings = FromFile(
        "\xEF\xBB\xBF[Install]\r\n"
        "DownloadUrl=http://pkg.example.com/a/0123/setup.exe\r\n"
        "DownloadType=3x\r\n"
        "IsCheckNet=TRUE\r\n"
        "IsEnableAppSensors=false\r\n"
        "DlAppNameSuffix=.dl\r\n"
        "m_DlAppVersion=2.1\r\n"
        "DownloadScale=0.5\r\n"
        "InstCmd=/quiet\r\n"
        "DownloadType=2\r\n");
    EXPECT_EQ(settings.DownloadUrl, L"http://pkg.example.com/a/0123/setup.exe");
    EXPECT_EQ(settings.DownloadType, 3);  // leading digits; the first occurrence wins
    EXPECT_FALSE(settings.IsCheckNet);    // only the exact "true" is true
    EXPECT_FALSE(settings.IsEnableAppSensors);
    EXPECT_EQ(settings.DlAppNameSuffix, L".dl");
    EXPECT_EQ(settings.DlAppVersion, L"2.1");
    EXPECT_DOUBLE_EQ(settings.DownloadScale, 0.5);
    EXPECT_EQ(settings.InstCmd, L"/quiet");
}

TEST_F(Settings, BadNumbersInTheFile) {
    struct Case { const char* type; const char* scale; int expectedType; double expectedScale; };
    const Case cases[] = {
        {"abc", "abc", 0, 0.0},                       // not a number: 0
        {"99999999999", "1e999", 1, 0.7},             // out of range: refused
        {"-2", "nan", -2, 0.7},
        {"7", "1.5", 7, 0.7},
        {"", "", 0, 0.0},
    };
    for (const Case& c : cases) {
        InstallerSettings settings = FromFile(std::string("[Install]\nDownloadType=") + c.type +
                                              "\nDownloadScale=" + c.scale + "\n");
        EXPECT_EQ(settings.DownloadType, c.expectedType) << c.type;
        EXPECT_DOUBLE_EQ(settings.DownloadScale, c.expectedScale) << c.scale;
    }
}

TEST_F(Settings, OverlongValuesAreCut) {
    std::string url = "http://h/" + std::string(291, 'u');
    ASSERT_EQ(url.size(), 300u);
    InstallerSettings settings = FromFile("[Install]\nDownloadUrl=" + url + "\n");
    EXPECT_EQ(settings.DownloadUrl.size(), 259u);
}

TEST_F(Settings, CommandLineOverridesTheFile) {
    InstallerSettings settings = FromFile("[Install]\nDownloadType=2\nInstCmd=/from-file\nIsCheckNet=true\n");
    settings.ApplyCommandLine(std::vector<std::wstring>{
        L"/opt/inst", L"-downloadtype=3", L"-downloadtype=7", L"-instcmd=/from-line", L"-ischecknet",
        L"-downloadscale=0.25", L"-language=4", L"-insnew=true", L"-isenableappsensors=false",
        L"-dlappnamesuffix=.x", L"-dlappversion=9", L"-downloadurl=http://h/${ROUTE}/s.exe"});
    EXPECT_EQ(settings.DownloadType, 3);
    EXPECT_EQ(settings.InstCmd, L"/from-line");
    EXPECT_FALSE(settings.IsCheckNet);  // written without a value
    EXPECT_DOUBLE_EQ(settings.DownloadScale, 0.25);
    EXPECT_EQ(settings.Language, 4);
    EXPECT_TRUE(settings.InsNew);
    EXPECT_FALSE(settings.IsEnableAppSensors);
    EXPECT_EQ(settings.DlAppNameSuffix, L".x");
    EXPECT_EQ(settings.DlAppVersion, L"9");
    EXPECT_EQ(settings.DownloadUrl, L"http://h/download_silent/s.exe");
}

TEST_F(Settings, BadNumbersOnTheCommandLine) {
    InstallerSettings settings;
    settings.DownloadType = 2;
    settings.Language = 3;
    settings.ApplyCommandLine(std::vector<std::wstring>{
        L"-downloadtype=2147483648", L"-language=-2147483649", L"-downloadscale=abc"});
    EXPECT_EQ(settings.DownloadType, 2);  // out of range: the earlier value stays
    EXPECT_EQ(settings.Language, 3);
    EXPECT_DOUBLE_EQ(settings.DownloadScale, 0.7);
    settings.ApplyCommandLine(std::vector<std::wstring>{L"-downloadtype=fast", L"-language=", L"-downloadscale=2"});
    EXPECT_EQ(settings.DownloadType, 0);  // not a number: 0
    EXPECT_EQ(settings.Language, 0);
    EXPECT_DOUBLE_EQ(settings.DownloadScale, 0.7);
    settings.ApplyCommandLine(std::vector<std::wstring>{L"-ischecknet=TRUE", L"-insnew=false"});
    EXPECT_FALSE(settings.IsCheckNet);
    EXPECT_FALSE(settings.InsNew);
}

TEST_F(Settings, RouteFollowsTheSystem) {
    InstallerSettings settings;
    settings.SetDownloadUrl(L"http://h/pkg/${ROUTE}/setup.exe");
    EXPECT_EQ(settings.DownloadUrl, L"http://h/pkg/download_silent/setup.exe");
    settings.SetDownloadUrl(L"http://h/${ROUTE}/${ROUTE}/setup.exe");
    EXPECT_EQ(settings.DownloadUrl, L"http://h/download_silent/download_silent/setup.exe");

    WindowsXp xp;
    auto previous = platform::SetOsVersionProvider(&xp);
    settings.SetDownloadUrl(L"http://h/pkg/${ROUTE}/setup.exe");
    EXPECT_EQ(settings.DownloadUrl, L"http://h/pkg/download_silent_xp/setup.exe");
    InstallerSettings fromFile = FromFile("[Install]\nDownloadUrl=http://h/${ROUTE}/s.exe\n");
    EXPECT_EQ(fromFile.DownloadUrl, L"http://h/download_silent_xp/s.exe");
    platform::SetOsVersionProvider(previous);
}

}  // namespace
