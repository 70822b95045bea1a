// The installation where others hold sway: a package swapped after its check, records planted in
// the user's folders, and an earlier version whose uninstaller the user could have changed.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "install/download_installer.h"
#include "install/install_records.h"
#include "platform/file_system.h"
#include "platform/identity.h"
#include "platform/known_folders.h"
#include "platform/profile.h"
#include "platform/utf8.h"
#include "report_log.h"
#include "settings/installer_settings.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/sudo_scenario.h"
#include "tests/support/temp_folder.h"
#include "utils/digest.h"

namespace {

using testing_support::OwnerOf;
using testing_support::ReportLog;
using testing_support::SudoScenario;
using testing_support::TempFolder;

const std::wstring kDemo = platform::PathFromNative(KELVO_DEMO_PACKAGE);

// Delivers the demo package as an engine that checked it against its digest would, after which
// `tamper` does to the package what an attacker could between that check and the run.
class DeliveringDownloader : public CDownloader {
public:
    DeliveringDownloader(StatusCallback callback, std::wstring path, std::function<void(const std::wstring&)> tamper)
        : m_callback(std::move(callback)), m_path(std::move(path)), m_tamper(std::move(tamper)) {}
    ~DeliveringDownloader() override {
        if (m_thread.joinable()) m_thread.join();
    }
    void Start() override {
        m_thread = std::thread([this] {
            m_callback(DL_CODE_START, 1.0, L"");
            platform::CopyWholeFile(kDemo, m_path);
            m_checkedDigest = Utils::GetFileMd5(platform::PathToNative(kDemo));
            if (m_tamper) m_tamper(m_path);
            m_callback(DL_CODE_SUCCESS, 0.0, L"LibCurl");
        });
    }

private:
    StatusCallback m_callback;
    std::wstring m_path;
    std::function<void(const std::wstring&)> m_tamper;
    std::thread m_thread;
};

class TrustTest : public testing::Test {
protected:
    void SetUp() override {
        environment.Set("TMPDIR", folder.NativePath());
        environment.Set("KELVO_DEMO_OPTIONS", "pace=0");
        InstallerSettings::Instance().InstCmd = L"-demo=pace=0";
    }
    void TearDown() override { InstallerSettings::Instance().InstCmd.clear(); }

    // A program that, run, leaves a mark: what must never run.
    std::wstring Planted(const std::wstring& name) {
        const std::wstring path = folder.WriteFile(name, "#!/bin/sh\ntouch '" + platform::PathToNative(marker) + "'\n");
        ::chmod(platform::PathToNative(path).c_str(), 0755);
        return path;
    }

    // One job into `dir`, its package tampered with as given; returns its last report.
    testing_support::Report Install(const std::wstring& dir, std::function<void(const std::wstring&)> tamper,
                                    const std::wstring& oldUninstaller = L"") {
        ReportLog log;
        {
            CDownloadInstaller job(log.Callback(), L"", L"", L"", true, true, true);
            job.SetDownloaderFactory([&](int, StatusCallback callback, const std::wstring&, const std::wstring& path) {
                return std::make_unique<DeliveringDownloader>(std::move(callback), path, tamper);
            });
            job.SetParams(L"http://127.0.0.1/x/setup.exe", L"", oldUninstaller, dir, true, false, true, false, L"");
            job.Start();
            EXPECT_TRUE(log.WaitFor({2003, 2004, 5004, 5005}));
        }
        return log.Reports().back();
    }

    TempFolder folder;
    const std::wstring marker = folder.Join(L"planted-ran");
    testing_support::ScopedEnvironment environment;
};

#ifndef _WIN32
// Whatever stands at the package's place after its check, only the checked bytes ever run.
TEST_F(TrustTest, OnlyTheCheckedPackageRuns) {
    const std::wstring planted = Planted(L"planted.sh");
    const struct {
        const char* name;
        std::function<void(const std::wstring&)> tamper;
        std::int32_t code;
    } cases[] = {
        {"as delivered", nullptr, 2003},
        {"another program", [&](const std::wstring& p) { platform::CopyWholeFile(planted, p); }, 2004},
        {"a link to the package", [&](const std::wstring& p) {
             platform::RenameFile(p, p + L".real");
             ::symlink(platform::PathToNative(p + L".real").c_str(), platform::PathToNative(p).c_str());
         }, 2004},
        {"a pipe", [&](const std::wstring& p) {
             platform::RemoveFile(p);
             ::mkfifo(platform::PathToNative(p).c_str(), 0700);
         }, 2004},
        {"one byte more", [&](const std::wstring& p) {
             std::FILE* file = platform::OpenFileForAppend(p);
             std::fputc('x', file);
             std::fclose(file);
         }, 2004},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const testing_support::Report last = Install(folder.Join(L"dir" + std::to_wstring(round++)), c.tamper);
        EXPECT_EQ(last.code, c.code);
        if (c.code == 2004) {
            EXPECT_EQ(last.text, CInstaller::kRefusedPackageText);
        }
        EXPECT_FALSE(platform::PathExists(marker));
    }
}
#endif

// A loop of the folder's owner puts a script of theirs at the package's place again and again,
// from the check on: it never runs; the job runs the real package or fails with its status.
TEST_F(TrustTest, PackageSwappedByALoopBesideTheJobNeverRuns) {
    const std::wstring planted = Planted(L"planted.sh");
    const std::wstring dir = folder.Join(L"swapped");
    ASSERT_TRUE(platform::CreateFolder(dir));
    const std::wstring package = platform::JoinPath(dir, CDownloadInstaller::kPackageFileName);
    const std::wstring staging = platform::JoinPath(dir, L"staging");
    for (int round = 0; round < 10; ++round) {
        std::atomic<bool> swapping{true};
        std::thread swapper([&] {
            while (swapping) {
                if (platform::CopyWholeFile(planted, staging)) platform::RenameFile(staging, package);
            }
        });
        const testing_support::Report last = Install(dir, nullptr);
        swapping = false;
        swapper.join();
        EXPECT_TRUE(last.code == 2003 || (last.code == 2004 && last.text == CInstaller::kRefusedPackageText))
            << last.code;
        EXPECT_FALSE(platform::PathExists(marker));
    }
}

#ifndef _WIN32
TEST_F(TrustTest, UnderSudoAPackageOfTheUsersIsRefused) {
    if (!SudoScenario::Available()) GTEST_SKIP() << "needs root";
    SudoScenario sudo;
    const std::wstring dir = sudo.UserFolder(L"Kelvo Kids");
    // The same bytes, but the user's file: they could change it at any moment until it runs.
    const testing_support::Report last = Install(dir, [&](const std::wstring& p) { sudo.GiveToUser(p); });
    EXPECT_EQ(last.code, 2004);
    EXPECT_EQ(last.text, CInstaller::kRefusedPackageText);
}
#endif

#ifndef _WIN32
// The records in the user's folders, planted as links to root's secrets or into root's folders.
TEST_F(TrustTest, UnderSudoRecordsNeverCarryRootsFilesToTheUser) {
    if (!SudoScenario::Available()) GTEST_SKIP() << "needs root";
    SudoScenario sudo;
    const std::wstring system = sudo.RootOnlyFolder(L"etc");
    const std::wstring secret = platform::JoinPath(system, L"shadow");
    ASSERT_TRUE(platform::WriteFileAtomically(secret, "root:SECRET-HASH:19000::::::\n"));
    const std::wstring dir = sudo.UserFolder(L".local/share/ostrelin/kelvoKids");
    const std::wstring data = sudo.UserFolder(L".local/share/VemarData/kelvoKids");
    const std::wstring settings = platform::JoinPath(dir, L"set.ini");
    const std::wstring analytics = platform::JoinPath(data, L"VMSensorsAnalytics.ini");
    for (const std::wstring& link : {settings, analytics}) {
        ASSERT_EQ(::symlink(platform::PathToNative(secret).c_str(), platform::PathToNative(link).c_str()), 0);
        sudo.GiveToUser(link);
    }
    CInstallRecords records;
    records.SetInstallPath(dir);
    records.WriteSetIni();
    for (const std::wstring& file : {settings, analytics}) {
        SCOPED_TRACE(platform::WideToUtf8(file));
        const auto text = testing_support::ReadFile(file);
        ASSERT_TRUE(text);
        EXPECT_EQ(text->find("SECRET"), std::string::npos);
        EXPECT_EQ(OwnerOf(file), static_cast<long>(sudo.Account().uid));
    }
    EXPECT_EQ(platform::GetProfileString(L"Install", L"AppName", L"", 64, settings), L"kelvoKids");
    EXPECT_EQ(testing_support::ReadFile(secret), std::optional<std::string>("root:SECRET-HASH:19000::::::\n"));

    // The data folder a link into root's folder: the analytics record is left out, set.ini is
    // still written.
    std::filesystem::remove_all(platform::PathToNative(sudo.Home() + L"/.local/share/VemarData"));
    ASSERT_EQ(::symlink(platform::PathToNative(system).c_str(),
                        platform::PathToNative(sudo.Home() + L"/.local/share/VemarData").c_str()), 0);
    platform::RemoveFile(settings);
    records.WriteSetIni();
    EXPECT_EQ(platform::GetProfileString(L"Install", L"AppName", L"", 64, settings), L"kelvoKids");
    for (const auto& entry : std::filesystem::directory_iterator(platform::PathToNative(system)))
        EXPECT_EQ(entry.path().filename(), "shadow");
}
#endif

#ifndef _WIN32
// The earlier version's uninstaller runs with the rights of whoever could have changed it.
TEST_F(TrustTest, UnderSudoTheUsersUninstallerRunsAsTheUser) {
    if (!SudoScenario::Available()) GTEST_SKIP() << "needs root";
    SudoScenario sudo;
    // A shared temporary folder, as /tmp is: the user's copy of their uninstaller goes there.
    const std::wstring shared = folder.Join(L"tmp");
    ASSERT_TRUE(platform::CreateFolder(shared));
    ::chmod(platform::PathToNative(shared).c_str(), 01777);
    environment.Set("TMPDIR", platform::PathToNative(shared));
    const std::wstring systemFolder = folder.Join(L"opt/kelvoKids");
    ASSERT_TRUE(platform::CreateFoldersForUser(systemFolder, 0755));
    const struct {
        const char* name;
        std::wstring earlier;
        long uid;
    } cases[] = {
        {"in the user's folder", sudo.UserFolder(L".local/opt/kelvoKids"), static_cast<long>(sudo.Account().uid)},
        {"in root's folder", systemFolder, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring uninstaller = platform::JoinPath(c.earlier, L"uninst.ep");
        ASSERT_TRUE(platform::CopyToNewFile(kDemo, uninstaller, 0755));
        if (c.uid != 0) sudo.GiveToUser(uninstaller);
        const std::wstring uninstalled = sudo.UserFolder(L"marks") + L"/" + platform::PathFromNative(c.name);
        environment.Set("KELVO_DEMO_OPTIONS", "pace=0,uninstall-marker=" + platform::PathToNative(uninstalled));
        const testing_support::Report last = Install(c.earlier, nullptr, uninstaller);
        EXPECT_EQ(last.code, 2003);
        EXPECT_EQ(OwnerOf(uninstalled), c.uid);
    }
}
#endif

}  // namespace
