// The installation records: what an earlier installation's records decide (proposed folder,
// uninstaller handed over), and what a finished installation leaves behind.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <map>

#include "install/install_records.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/known_folders.h"
#include "platform/profile.h"
#include "platform/utf8.h"
#include "tests/support/temp_folder.h"
#include "utils/registry.h"

namespace {

using testing_support::TempFolder;

// The known folders inside a temporary folder; the application-data folder may be changed.
class TestFolders final : public platform::KnownFolderProvider {
public:
    explicit TestFolders(const TempFolder& root) : data(root.Join(L"data")), root_(root) {}
    std::wstring Get(platform::KnownFolder folder) const override {
        switch (folder) {
            case platform::KnownFolder::ApplicationData:
            case platform::KnownFolder::CommonDocuments: return data;
            case platform::KnownFolder::UserConfig: return root_.Join(L"config");
            default: return root_.Join(L"opt");
        }
    }
    std::wstring data;

private:
    const TempFolder& root_;
};

class InstallRecordsTest : public testing::Test {
protected:
    void SetUp() override { m_previous = platform::SetKnownFolderProvider(&folders); }
    void TearDown() override { platform::SetKnownFolderProvider(m_previous); }

    CInstallRecords::Services Services() {
        CInstallRecords::Services services;
        services.consoleUserIsAdmin = [this] { return consoleAdmin; };
        services.processIsAdmin = [this] { return processAdmin; };
        services.localTime = [] { return platform::LocalTime{2024, 3, 7, 9, 5, 2, 0}; };
        services.createGuid = [this] { return L"GUID" + std::to_wstring(++guids); };
        services.modulePath = [this] { return modulePath; };
        services.checkNetwork = [] { return 0u; };
        services.pumpMessages = [this](Utils::WindowHandle) { calls.push_back(L"pump"); return true; };
        services.openUrl = [this](const std::wstring& url) { calls.push_back(L"url " + url); return true; };
        services.startProgram = [this](const std::wstring& p) { calls.push_back(L"start " + p); return true; };
        return services;
    }
    std::wstring Setting(const std::wstring& section, const std::wstring& key, const std::wstring& file) {
        return platform::GetProfileString(section, key, L"<none>", 260, file);
    }
    std::wstring Registry(const std::wstring& name) {
        std::uint32_t type = 0;
        std::wstring value = L"<none>";
        Utils::RegReadString(name, type, value);
        return value;
    }

    TempFolder root;
    TestFolders folders{root};
    bool consoleAdmin = false;
    bool processAdmin = false;
    int guids = 0;
    std::wstring modulePath = L"/media/downloads/KelvoKidsSetup_1.0.exe";
    std::vector<std::wstring> calls;

private:
    const platform::KnownFolderProvider* m_previous = nullptr;
};

#ifndef _WIN32
TEST_F(InstallRecordsTest, EarlierInstallationDecidesFolderAndUninstaller) {
    const std::wstring earlier = root.Join(L"earlier");
    const std::wstring entry = platform::JoinPath(earlier, L"uninst.ep");
    const std::wstring standard = root.Join(L"opt/kelvoKids");
    const struct {
        const char* name;
        bool recorded;              // InstallPath written
        const wchar_t* recordedEp;  // UnInstallEp written, when not null
        bool entryFile;             // uninst.ep exists
        const char* setIni;         // set.ini content, when not null
        std::wstring target;        // the folder chosen for the new installation
        std::wstring proposed;
        std::wstring handedOver;
    } cases[] = {
        {"no key", false, nullptr, false, nullptr, standard, standard, L""},
        {"path and entry file", true, nullptr, true, nullptr, earlier, earlier, entry},
        {"entry elsewhere, missing", true, L"/srv/other/uninst.ep", true, nullptr, earlier, standard, L"/srv/other/uninst.ep"},
        {"entry file gone", true, nullptr, false, nullptr, standard, standard, entry},
        {"override false", true, nullptr, true, "[Uninstall]\nIsOverride=false\n", earlier, earlier, L""},
        {"with trailing /", true, nullptr, true, "[Uninstall]\nIsOverride=false\n", earlier + L"/", earlier, L""},
        {"through ..", true, nullptr, true, "[Uninstall]\nIsOverride=false\n", earlier + L"/../earlier", earlier, L""},
        {"override False", true, nullptr, true, "[Uninstall]\nIsOverride=False\n", earlier, earlier, entry},
        {"override 0", true, nullptr, true, "[Uninstall]\nIsOverride=0\n", earlier, earlier, entry},
        {"override absent", true, nullptr, true, "[Uninstall]\nOther=false\n", earlier, earlier, entry},
        {"another folder", true, nullptr, true, "[Uninstall]\nIsOverride=false\n", root.Join(L"new"), earlier, entry},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::DeleteUserRegistryKey(Utils::kProductRegistryKey);
        platform::RemoveFile(entry);
        platform::RemoveFile(platform::JoinPath(earlier, L"set.ini"));
        platform::CreateFolder(earlier);
        if (c.recorded) {
            ASSERT_TRUE(Utils::RegWriteString(L"InstallPath", earlier));
        }
        if (c.recordedEp) {
            ASSERT_TRUE(Utils::RegWriteString(L"UnInstallEp", c.recordedEp));
        }
        if (c.entryFile) root.WriteFile(L"earlier/uninst.ep", "x");
        if (c.setIni) root.WriteFile(L"earlier/set.ini", c.setIni);

        CInstallRecords records(Services());
        records.ReadInstallRecord();
        EXPECT_EQ(records.GetDefaultInstallPath(), c.proposed);
        EXPECT_EQ(records.UninstallEntryFor(c.target), c.handedOver);
        EXPECT_EQ(records.HasEarlierInstallation(), c.recorded);
    }
}
#endif

#ifndef _WIN32
TEST_F(InstallRecordsTest, DefaultFolderByRights) {
    const std::wstring data = folders.data, programs = root.Join(L"opt/kelvoKids");
    const struct {
        bool consoleAdmin, processAdmin;
        std::wstring data, folder;
    } cases[] = {
        {true, true, data, root.Join(L"data/ostrelin/kelvoKids")},
        {false, true, data, programs},  // a standard console user, elevated installer
        {true, false, data, programs},
        {false, false, data, programs},
        {true, true, L"", programs},  // no application data: program files even for administrators
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "admin " << c.consoleAdmin << c.processAdmin << ", data "
                                        << platform::WideToUtf8(c.data));
        consoleAdmin = c.consoleAdmin;
        processAdmin = c.processAdmin;
        folders.data = c.data;
        CInstallRecords records(Services());
        records.ReadInstallRecord();
        EXPECT_EQ(records.GetDefaultInstallPath(), c.folder);
        EXPECT_EQ(records.ConsoleUserIsAdmin(), c.consoleAdmin);
        EXPECT_EQ(records.ProcessIsAdmin(), c.processAdmin);
    }
}

#ifndef _WIN32
#endif
TEST_F(InstallRecordsTest, ChosenFolderIsTheFieldUnlessItIsTheDefault) {
    CInstallRecords records(Services());
    const std::wstring standard = root.Join(L"opt/kelvoKids");
    EXPECT_TRUE(records.IsDefaultInstallPath(standard + L"/"));
    EXPECT_TRUE(records.IsDefaultInstallPath(root.Join(L"opt/./x/../kelvoKids")));
    EXPECT_FALSE(records.IsDefaultInstallPath(root.Join(L"opt/kelvoKids2")));
    EXPECT_FALSE(records.IsDefaultInstallPath(L""));
    EXPECT_EQ(records.GetChosenInstallPath(standard + L"//"), standard);
    EXPECT_EQ(records.GetChosenInstallPath(L"/srv/kelvo"), L"/srv/kelvo");
    // The same folder reached through a link is the same folder.
    ASSERT_TRUE(platform::CreateFolder(root.Join(L"opt")) && platform::CreateFolder(standard));
    ASSERT_EQ(::symlink(platform::PathToNative(standard).c_str(), root.NativePath().append("/link").c_str()), 0);
    EXPECT_TRUE(records.IsDefaultInstallPath(root.Join(L"link")));
}
#endif

#ifndef _WIN32
TEST_F(InstallRecordsTest, SuccessWritesRecordsSettingsAndAnalytics) {
    const std::wstring dir = root.Join(L"Kelvo Kids");
    ASSERT_TRUE(CInstallRecords::CreateInstallFolder(dir));
    root.WriteFile(L"Kelvo Kids/uninst.ep", "x");
    CInstallRecords records(Services());
    records.SetInstallPath(root.Join(L"chosen"));
    records.OnPackageValue(3000, 0, dir);
    records.WriteSetIni();
    const std::wstring settings = platform::JoinPath(dir, L"set.ini");
    EXPECT_EQ(Setting(L"Install", L"DeviceID", settings), L"GUID1");
    records.OnInstallSucceeded(nullptr);

    EXPECT_EQ(Registry(L"InstallPath"), dir);
    EXPECT_EQ(Registry(L"UnInstallEp"), platform::JoinPath(dir, L"uninst.ep"));
    const std::wstring analytics = root.Join(L"data/VemarData/kelvoKids/VMSensorsAnalytics.ini");
    const std::map<std::wstring, std::wstring> expected = {
        {L"APPStore", L"KelvoKidsSetup_1.0.exe"},
        {L"AppName", L"kelvoKids"},
        {L"DeviceID", L"GUID2"},  // a new one on every write
        {L"VMSensorsAnalyticsIni", analytics},
    };
    for (const auto& [key, value] : expected) EXPECT_EQ(Setting(L"Install", key, settings), value) << platform::WideToUtf8(key);
    EXPECT_EQ(Setting(L"Init", L"UpdateTime", analytics), L"2024-03-07 09:05:02");
    EXPECT_TRUE(calls.empty());  // NonStartup

    // A later installation that leaves no uninst.ep keeps the recorded entry.
    const std::wstring other = root.Join(L"other");
    ASSERT_TRUE(CInstallRecords::CreateInstallFolder(other));
    CInstallRecords later(Services());
    later.SetInstallPath(other);
    later.WriteInstallRecord();
    EXPECT_EQ(Registry(L"InstallPath"), other);
    EXPECT_EQ(Registry(L"UnInstallEp"), platform::JoinPath(dir, L"uninst.ep"));
}

#ifndef _WIN32
#endif
TEST_F(InstallRecordsTest, NothingLandsInTheCurrentFolder) {
    const std::wstring dir = root.Join(L"install");
    ASSERT_TRUE(CInstallRecords::CreateInstallFolder(dir));
    const std::wstring settings = platform::JoinPath(dir, L"set.ini");
    char previous[4096];
    ASSERT_TRUE(::getcwd(previous, sizeof previous));
    TempFolder current;
    ASSERT_EQ(::chdir(current.NativePath().c_str()), 0);
    for (const std::wstring& data : {std::wstring(), std::wstring(L"relative/data")}) {
        folders.data = data;
        CInstallRecords records(Services());
        records.SetInstallPath(dir);
        records.WriteSetIni();
        EXPECT_EQ(Setting(L"Install", L"AppName", settings), L"kelvoKids");
        EXPECT_EQ(Setting(L"Install", L"VMSensorsAnalyticsIni", settings), L"<none>");
    }
    CInstallRecords noFolder(Services());
    noFolder.WriteSetIni();
    EXPECT_FALSE(platform::PathExists(current.Join(L"relative")));
    EXPECT_FALSE(platform::PathExists(current.Join(L"set.ini")));
    ASSERT_EQ(::chdir(previous), 0);

    // A program name with a line break cannot add a section to set.ini.
    modulePath = L"/tmp/setup\n[Uninstall]\nIsOverride=false";
    CInstallRecords records(Services());
    records.SetInstallPath(dir);
    records.WriteSetIni();
    EXPECT_EQ(Setting(L"Uninstall", L"IsOverride", settings), L"<none>");
}
#endif

TEST_F(InstallRecordsTest, StartsWhatThePackageNamed) {
    const std::wstring product = root.WriteFile(L"Kelvo_Kids.exe", "x");
    const struct {
        const wchar_t* url;
        int style;
        std::wstring product;
        std::vector<std::wstring> calls;
    } cases[] = {
        {L"https", 1, L"", {}},  // five characters: not opened
        {L"http:/", 1, L"", {L"url http:/"}},
        {L"https://kelvo.example/welcome", 1, product, {L"url https://kelvo.example/welcome", L"pump", L"start " + product}},
        {L"", 1, root.Join(L"missing.exe"), {}},
        {L"https://kelvo.example/welcome", 2, product, {}},  // UserStartup: the window's button starts it
    };
    for (const auto& c : cases) {
        calls.clear();
        CInstallRecords records(Services());
        records.SetInstallPath(root.Join(L"dir"));
        records.OnPackageValue(3004, 0, c.url);
        records.OnPackageValue(3005, c.style, L"");
        records.OnPackageValue(3001, 0, c.product);
        records.OnInstallSucceeded(nullptr);
        EXPECT_EQ(calls, c.calls) << c.url;
    }
}

#ifndef _WIN32
TEST_F(InstallRecordsTest, FailureProbeNeverFollowsAPlantedLink) {
    const std::wstring victim = root.WriteFile(L"victim", "keep me");
    const std::wstring package = root.Join(L"__Package_kelvoKids.exe");
    ASSERT_EQ(::symlink(platform::PathToNative(victim).c_str(), platform::PathToNative(package).c_str()), 0);
    CInstallRecords records(Services());
    EXPECT_TRUE(records.ProbeDownloadFailure(1004, L"WinHttp", package));
    EXPECT_EQ(*testing_support::ReadFile(victim), "keep me");
    EXPECT_FALSE(platform::PathExists(package));
    EXPECT_FALSE(records.ProbeDownloadFailure(1004, L"", root.Join(L"missing/__Package_kelvoKids.exe")));
}
#endif

}  // namespace
