// The installation job with a downloader that tests script, and the real package runners.
#include "install/download_installer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>

#include "install/find_process.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/thread.h"
#include "report_log.h"
#include "settings/installer_settings.h"
#include "tests/support/log_capture.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"
#include "utils/thread.h"

namespace {

using testing_support::ReportLog;
using testing_support::TempFolder;

const std::wstring kDemo = platform::PathFromNative(KELVO_DEMO_PACKAGE);

enum class Outcome { Deliver, Fail, Retry };

// Reports like a downloader: start, progress, then the scripted outcome for each Start.
class ScriptedDownloader : public CDownloader {
public:
    ScriptedDownloader(StatusCallback callback, std::wstring path, std::deque<Outcome>* script)
        : m_callback(std::move(callback)), m_path(std::move(path)), m_script(script) {}
    ~ScriptedDownloader() override {
        std::unique_ptr<Utils::Thread> last;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
            last = std::move(m_thread);
        }
        last.reset();
    }

    void Start() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping) return;
        m_thread.reset();
        m_thread = std::make_unique<Utils::Thread>(this, L"ABDEF", [](void* self) {
            static_cast<ScriptedDownloader*>(self)->Run();
        });
        m_thread->Resume();
    }

private:
    void Run() {
        const Outcome outcome = m_script->empty() ? Outcome::Fail : m_script->front();
        if (!m_script->empty()) m_script->pop_front();
        m_callback(1001, 1.0, L"");
        m_callback(1002, 0.5, L"");
        switch (outcome) {
            case Outcome::Deliver:
                platform::CopyWholeFile(kDemo, m_path);
                m_callback(1003, 0.0, L"LibCurl");
                break;
            case Outcome::Fail:
                m_callback(1004, 22.0, L"LibCurl");
                break;
            case Outcome::Retry:
                m_callback(1006, 0.0, L"curl文件md5校验失败");
                m_callback(1005, 0.0, L"LibCurl");
                break;
        }
    }

    StatusCallback m_callback;
    std::wstring m_path;
    std::deque<Outcome>* m_script;
    std::mutex m_mutex;
    bool m_stopping = false;
    std::unique_ptr<Utils::Thread> m_thread;
};

class DownloadInstallerTest : public testing::Test {
protected:
    void SetUp() override {
        platform::SetSleepDivisor(20);
        // The uninstaller copy goes to this test's own temporary folder, whose name has a blank.
        ASSERT_TRUE(platform::CreateFolder(temp.Join(L"my temp")));
        environment.Set("TMPDIR", platform::PathToNative(temp.Join(L"my temp")));
        environment.Set("KELVO_DEMO_OPTIONS", "pace=0");
        InstallerSettings::Instance().InstCmd = L"-demo=pace=0";
        InstallerSettings::Instance().InsNew = false;
    }
    void TearDown() override {
        platform::SetSleepDivisor(1);
        InstallerSettings::Instance().InstCmd.clear();
        InstallerSettings::Instance().InsNew = false;
    }

    std::unique_ptr<CDownloadInstaller> Make() {
        auto job = std::make_unique<CDownloadInstaller>(log.Callback(), L"", L"", L"", true, true, true);
        job->SetDownloaderFactory([this](int type, StatusCallback callback, const std::wstring&,
                                         const std::wstring& path) {
            types.push_back(type);
            return std::make_unique<ScriptedDownloader>(std::move(callback), path, &script);
        });
        return job;
    }

    // Runs one job to its end: destroying the job waits for every worker.
    void RunJob(const std::wstring& dir, const std::wstring& oldUninstaller = L"") {
        auto job = Make();
        job->SetParams(L"http://127.0.0.1/x/setup.exe", L"", oldUninstaller, dir, true, false, true,
                       false, L"zh-CN");
        job->Start();
        ASSERT_TRUE(log.WaitFor({2003, 2004, 1004, 5004, 5005}));
    }

    TempFolder folder;
    TempFolder temp;
    ReportLog log;
    std::deque<Outcome> script;
    std::vector<int> types;
    testing_support::ScopedEnvironment environment;
};

TEST_F(DownloadInstallerTest, FreshInstallationDownloadsThenInstallsAndRemovesThePackage) {
    testing_support::LogCapture capture;
    script = {Outcome::Deliver};
    const std::wstring dir = folder.Join(L"new dir/Kelvo Kids");
    RunJob(dir);
    EXPECT_EQ(log.Phases(), (std::vector<std::int32_t>{1001, 1002, 1003, 2001, 2002, 3000, 2002, 3001,
                                                        3002, 3003, 2002, 2003}));
    EXPECT_FALSE(platform::PathExists(platform::JoinPath(dir, L"__Package_kelvoKids.exe")));
    EXPECT_TRUE(platform::IsRegularFile(platform::JoinPath(dir, L"Kelvo_Kids.exe")));
    // The package was told the user's choices.
    auto record = testing_support::ReadFile(platform::JoinPath(dir, L"demo-install.ini"));
    ASSERT_TRUE(record);
    EXPECT_NE(record->find("dsc=true\nssc=false\ninslang=zh-CN\nadminact=true\nauthorizationact=false\n"),
              std::string::npos);
    const std::pair<const wchar_t*, int> fixedLines[] = {
        {L"(CDownloadInstaller::Start)<0193>: DL_TYPE=", 1},
        {L"<0074>: DL_CODE_START", 1},
        {L"<0084>: DOWNLOAD_SUCCESS", 1},
        {L"<0109>: DL_CODE_SUCCESS", 1},
        {L"<0155>: IST_CODE_START", 1},
        {L"<0171>: INSTALL_SUCCESS", 1},
    };
    for (const auto& [text, count] : fixedLines)
        EXPECT_EQ(capture.LinesWith(text).size(), static_cast<std::size_t>(count)) << text;
}

TEST_F(DownloadInstallerTest, RecordedUninstallerRunsBeforeTheDownload) {
    const std::wstring dir = folder.Join(L"Kelvo Kids");
    script = {Outcome::Deliver, Outcome::Deliver};
    RunJob(dir);
    log.Clear();
    RunJob(dir, platform::JoinPath(dir, L"uninst.ep"));
    auto phases = log.Phases();
    ASSERT_GE(phases.size(), 3u);
    EXPECT_EQ(phases[0], 5002);
    EXPECT_EQ(phases[1], 5003);
    EXPECT_EQ(phases[2], 1001);
    EXPECT_EQ(phases.back(), 2003);
    const std::wstring copy = CDownloadInstaller::UninstallerCopyPath();
    EXPECT_EQ(copy.rfind(temp.Join(L"my temp/"), 0), 0u);
    EXPECT_TRUE(platform::IsRegularFile(copy));
    EXPECT_TRUE(platform::IsRegularFile(platform::JoinPath(dir, L"Kelvo_Kids.exe")));
}

TEST_F(DownloadInstallerTest, FailedRemovalStopsTheJob) {
    const std::wstring dir = folder.Join(L"old");
    script = {Outcome::Deliver};
    RunJob(dir);
    log.Clear();
    const std::wstring demoUninstaller = platform::JoinPath(dir, L"uninst.ep");
    // A success stated after the failure decides nothing.
    const std::wstring twoResults = folder.WriteFile(L"two-results.sh", "#!/bin/sh\nprintf 'State=Fail\\nState=Success\\n'\n");
    const std::pair<std::wstring, const char*> cases[] = {
        {demoUninstaller, "pace=0,uninstall-fail"},
        {demoUninstaller, "pace=0,uninstall-error=占用"},
        {twoResults, ""},
    };
    for (const auto& [uninstaller, options] : cases) {
        environment.Set("KELVO_DEMO_OPTIONS", options);
        RunJob(dir, uninstaller);
        EXPECT_EQ(log.Phases(), (std::vector<std::int32_t>{5002, 5005})) << options;
        log.Clear();
    }
    EXPECT_TRUE(script.empty());
}

TEST_F(DownloadInstallerTest, FolderWithAQuotationMarkIsRefusedBeforeTheRemovalAndTheDownload) {
    const std::wstring dir = folder.Join(L"old");
    script = {Outcome::Deliver, Outcome::Deliver};
    RunJob(dir);
    log.Clear();
    RunJob(folder.Join(L"evil\" \"x"), platform::JoinPath(dir, L"uninst.ep"));
    EXPECT_EQ(log.Codes(), (std::vector<std::int32_t>{2004}));
    EXPECT_DOUBLE_EQ(log.Reports()[0].value, 2.0);
    EXPECT_EQ(script.size(), 1u);
    EXPECT_TRUE(platform::IsRegularFile(platform::JoinPath(dir, L"Kelvo_Kids.exe")));
}

TEST_F(DownloadInstallerTest, MissingUninstallerMeansNoRemovalPhase) {
    script = {Outcome::Deliver};
    RunJob(folder.Join(L"d"), folder.Join(L"gone/uninst.ep"));
    EXPECT_EQ(log.Codes().front(), 1001);
    EXPECT_EQ(log.Codes().back(), 2003);
}

TEST_F(DownloadInstallerTest, FailedDownloadsDeleteTheirPackagesAndTheOneBefore) {
    script = {Outcome::Fail, Outcome::Fail};
    auto job = Make();
    const std::wstring first = folder.Join(L"a");
    const std::wstring second = folder.Join(L"b");
    job->SetParams(L"http://127.0.0.1/x/setup.exe", L"", L"", first, true, true, true, true, L"");
    job->Start();
    job.reset();
    EXPECT_EQ(log.Codes(), (std::vector<std::int32_t>{1001, 1002, 1004}));
    EXPECT_TRUE(platform::IsDirectory(first));
    // Something left a file where the first package was, and where the second will be.
    const std::wstring firstPackage = folder.WriteFile(L"a/__Package_kelvoKids.exe", "partial");
    job = Make();
    job->SetParams(L"http://127.0.0.1/x/setup.exe", L"", L"", second, true, true, true, true, L"");
    job->Start();
    job.reset();
    EXPECT_FALSE(platform::PathExists(firstPackage));
    EXPECT_FALSE(platform::PathExists(platform::JoinPath(second, L"__Package_kelvoKids.exe")));
}

TEST_F(DownloadInstallerTest, RestartWantedByTheDownloaderIsGiven) {
    script = {Outcome::Retry, Outcome::Deliver};
    RunJob(folder.Join(L"r"));
    EXPECT_EQ(log.Phases(), (std::vector<std::int32_t>{1001, 1002, 1006, 1005, 1001, 1002, 1003, 2001, 2002,
                                                        3000, 2002, 3001, 3002, 3003, 2002, 2003}));
}

TEST_F(DownloadInstallerTest, FailedInstallationRemovesThePackage) {
    InstallerSettings::Instance().InstCmd = L"-demo=pace=0,fail";
    script = {Outcome::Deliver};
    const std::wstring dir = folder.Join(L"f");
    RunJob(dir);
    EXPECT_EQ(log.Codes().back(), 2004);
    EXPECT_FALSE(platform::PathExists(platform::JoinPath(dir, L"__Package_kelvoKids.exe")));
}

TEST_F(DownloadInstallerTest, NewStartReusesTheDownloaderUnlessAddressOrFolderChanged) {
    script = {Outcome::Fail, Outcome::Fail, Outcome::Fail};
    auto job = Make();
    job->SetParams(L"http://127.0.0.1/x/setup.exe", L"", L"", folder.Join(L"a"), true, true, true, true, L"");
    job->Start();
    job->Start();
    job->SetParams(L"http://127.0.0.1/x/setup.exe", L"", L"", folder.Join(L"b"), true, true, true, true, L"");
    job->Start();
    job.reset();
    EXPECT_EQ(types.size(), 2u);
    EXPECT_EQ(log.With(1004).size(), 3u);
}

TEST_F(DownloadInstallerTest, HandlersLogTheirFixedLines) {
    testing_support::LogCapture capture;
    const std::wstring dir = folder.Join(L"logged");
    InstallerSettings::Instance().InstCmd = L"-demo=pace=0,fail";
    script = {Outcome::Retry, Outcome::Deliver, Outcome::Fail, Outcome::Deliver};
    RunJob(dir);                                   // restart, download, failed installation
    InstallerSettings::Instance().InstCmd = L"-demo=pace=0";
    RunJob(dir);                                   // failed download
    RunJob(dir);                                   // installation that leaves an uninstaller
    const std::wstring uninstaller = platform::JoinPath(dir, L"uninst.ep");
    environment.Set("KELVO_DEMO_OPTIONS", "pace=0,uninstall-error=x");
    RunJob(dir, uninstaller);                      // removal that fails
    folder.WriteFile(L"logged/uninst.ep", "not a program");
    RunJob(dir, uninstaller);                      // removal that cannot start
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"(CDownloadInstaller::OnDownloadStatus)<0074>: ", L"DL_CODE_START"},
        {L"(CDownloadInstaller::OnDownloadStatus)<0079>: ", L"DL_CODE_PROGRESS"},
        {L"(CDownloadInstaller::OnDownloadStatus)<0084>: ", L"DOWNLOAD_SUCCESS"},
        {L"(CDownloadInstaller::OnDownloadStatus)<0095>: ", L"DL_CODE_FAIL"},
        {L"(CDownloadInstaller::OnDownloadStatus)<0101>: ", L"DL_CODE_RETRY"},
        {L"(CDownloadInstaller::OnDownloadStatus)<0109>: ", L"DL_CODE_SUCCESS"},
        {L"(CDownloadInstaller::OnUninstallStatus)<0124>: ", L"UNIST_CODE_PROGRESS"},
        {L"(CDownloadInstaller::OnUninstallStatus)<0136>: ", L"UNIST_CODE_FAIL"},
        {L"(CDownloadInstaller::OnUninstallStatus)<0142>: ", L"UNIST_CODE_ERROR"},
        {L"(CDownloadInstaller::OnInstallStatus)<0155>: ", L"IST_CODE_START"},
        {L"(CDownloadInstaller::OnInstallStatus)<0171>: ", L"INSTALL_SUCCESS"},
        {L"(CDownloadInstaller::OnInstallStatus)<0183>: ", L"IST_CODE_FAIL"},
    };
    for (const auto& [where, text] : expected)
        EXPECT_FALSE(capture.LinesWith(std::wstring(where) + text + L"\r\n").empty()) << text;
    // 2002 has no line of its own.
    for (const auto& line : capture.LinesWith(L"(CDownloadInstaller::OnInstallStatus)"))
        EXPECT_TRUE(line.find(L"<0155>") != std::wstring::npos || line.find(L"<0171>") != std::wstring::npos ||
                    line.find(L"<0183>") != std::wstring::npos);
}

TEST_F(DownloadInstallerTest, MissingEngineEndsTheJobAsAFailedDownload) {
    const std::wstring dir = folder.Join(L"old");
    script = {Outcome::Deliver};
    RunJob(dir);
    for (const std::wstring& oldUninstaller : {std::wstring(), platform::JoinPath(dir, L"uninst.ep")}) {
        log.Clear();
        auto job = std::make_unique<CDownloadInstaller>(log.Callback(), L"", L"", L"", true, true, true);
        job->SetDownloaderFactory([](int, StatusCallback, const std::wstring&, const std::wstring&) {
            return std::unique_ptr<CDownloader>();
        });
        job->SetParams(L"http://127.0.0.1/x/setup.exe", L"", oldUninstaller, dir, true, true, true, true, L"");
        job->Start();
        ASSERT_TRUE(log.WaitFor({1004}));
        job.reset();
        const auto codes = log.Codes();
        EXPECT_EQ(codes.back(), 1004);
        EXPECT_EQ(log.With(1004)[0].value, 1.0);
        EXPECT_TRUE(log.With(2001).empty());
        EXPECT_EQ(codes.front(), oldUninstaller.empty() ? 1004 : 5002);
    }
}

TEST_F(DownloadInstallerTest, InsNewWaitsForTheRunningProduct) {
    const std::wstring dir = folder.Join(L"old");
    script = {Outcome::Deliver, Outcome::Deliver};
    RunJob(dir);
    log.Clear();
    const std::wstring product = platform::JoinPath(dir, L"Kelvo_Kids.exe");
    platform::ProcessInfo running;
    std::wstring error;
    // Taken before the start: the product's stay begins later, however late this thread runs.
    const auto spawned = std::chrono::steady_clock::now();
    ASSERT_TRUE(platform::SpawnProcess({product, L"-stay=400"}, {}, running, error));
    ASSERT_NE(FindProcessByName(L"Kelvo_Kids.exe"), 0);
    InstallerSettings::Instance().InsNew = true;
    auto job = Make();
    job->SetParams(L"http://127.0.0.1/x/setup.exe", L"", platform::JoinPath(dir, L"uninst.ep"), dir, true,
                   true, true, true, L"");
    job->Start();
    // The product cannot have begun to end before its stay is over. (Whether it has been reaped
    // yet is another matter: a process whose memory the system is still releasing is gone from
    // the list but not yet reaped.)
    EXPECT_GE(std::chrono::steady_clock::now() - spawned, std::chrono::milliseconds(350));
    platform::WaitForProcess(running);
    job.reset();
    EXPECT_EQ(log.Phases().front(), 5002);
    EXPECT_EQ(log.Codes().back(), 2003);
}

TEST(FindProcessByNameTest, ComparesTheWholeNameExactly) {
    TempFolder folder;
    // A name of its own, so that no other test's product is found.
    const std::wstring name = L"Kelvo_Kids-" + std::to_wstring(platform::CurrentProcessId()) + L".exe";
    const std::wstring product = folder.Join(name);
    ASSERT_TRUE(platform::CopyWholeFile(kDemo, product));
    platform::ProcessInfo running;
    std::wstring error;
    ASSERT_TRUE(platform::SpawnProcess({product, L"-stay=300"}, {}, running, error));
    EXPECT_EQ(FindProcessByName(name), running.processId);
    std::wstring upper = name;
    upper[0] = L'k';
    EXPECT_EQ(FindProcessByName(upper), 0);
    EXPECT_EQ(FindProcessByName(name.substr(0, name.size() - 4)), 0);
    EXPECT_EQ(FindProcessByName(L""), 0);
    platform::WaitForProcess(running);
    EXPECT_EQ(FindProcessByName(name), 0);
}

}  // namespace

namespace {

// With no thread to be had, every worker's owner says so at once instead of never reporting.
TEST(ThreadShortage, EveryWorkerOwnerReportsItsFailure) {
    TempFolder folder;
    const std::wstring package = platform::JoinPath(folder.Path(), L"__Package_kelvoKids.exe");
    struct Case {
        const char* owner;
        std::function<void(StatusCallback)> start;
        std::int32_t code;
    };
    std::unique_ptr<CDownloader> downloader;
    std::unique_ptr<CInstaller> installer;
    std::unique_ptr<CUninstaller> uninstaller;
    auto engine = [&](int type) {
        return [&, type](StatusCallback callback) {
            downloader = CDownloadInstaller::CreateDownloader(type, callback, L"http://127.0.0.1:9/x/p.exe", package);
            ASSERT_TRUE(downloader);
            downloader->Start();
        };
    };
    const Case cases[] = {
        {"single-stream engine", engine(1), 1004},
        {"WinHTTP engine", engine(2), 1004},
        {"two-part engine", engine(3), 1004},
        {"package runner",
         [&](StatusCallback callback) {
             installer = std::make_unique<CInstaller>(callback, L"\"" + kDemo + L"\"", L"", true, true, true);
             installer->Start();
         },
         2004},
        {"uninstaller runner",
         [&](StatusCallback callback) {
             uninstaller = std::make_unique<CUninstaller>(callback, kDemo, folder.Path());
             uninstaller->Start();
         },
         5004},
    };
    struct NoThreads {
        NoThreads() { platform::SetThreadCreationFails(true); }
        ~NoThreads() { platform::SetThreadCreationFails(false); }
    } noThreads;
    for (const auto& c : cases) {
        ReportLog log;
        c.start(log.Callback());
        EXPECT_EQ(log.Codes(), std::vector<std::int32_t>{c.code}) << c.owner;
        if (c.code != 1004) {
            EXPECT_DOUBLE_EQ(log.Reports().at(0).value, 2.0) << c.owner;
        }
        downloader.reset();
        installer.reset();
        uninstaller.reset();
    }
}

// The job restarts a download from inside the downloader's own report; with no thread left, the
// failure is reported from inside that report too.
TEST(ThreadShortage, ARestartAskedFromAReportReportsItsFailure) {
    TempFolder folder;
    for (int type : {1, 2, 3}) {
        SCOPED_TRACE(type);
        ReportLog log;
        std::unique_ptr<CDownloader> downloader;
        bool restarted = false;
        const StatusCallback record = log.Callback();
        downloader = CDownloadInstaller::CreateDownloader(
            type,
            [&](std::int32_t code, double value, const wchar_t* text) {
                record(code, value, text);
                if (code != DL_CODE_START || restarted) return;
                restarted = true;
                platform::SetThreadCreationFails(true);
                downloader->Start();
            },
            L"http://127.0.0.1:9/x/p.exe", platform::JoinPath(folder.Path(), L"__Package_kelvoKids.exe"));
        downloader->Start();
        const bool failed = log.WaitFor({DL_CODE_FAIL});
        platform::SetThreadCreationFails(false);
        if (!failed) {
            (void)downloader.release();  // its worker is stuck in the report: never joined
            FAIL() << "no failure reported";
        }
        downloader.reset();
        EXPECT_EQ(log.Codes().at(1), DL_CODE_FAIL);
    }
}

}  // namespace
