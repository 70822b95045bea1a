// The whole job without a window: a loopback server publishes the demo package under its
// digest, the job downloads it with each engine, verifies it, runs it, and the receiver sees the
// reports in their order.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "install/download_installer.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "settings/installer_settings.h"
#include "tests/install/report_log.h"
#include "tests/support/http_test_server.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"
#include "utils/digest.h"

namespace {

using testing_support::HttpRequest;
using testing_support::HttpResponse;
using testing_support::HttpTestServer;
using testing_support::ReportLog;
using testing_support::TempFolder;

const std::wstring kDemo = platform::PathFromNative(KELVO_DEMO_PACKAGE);

// The job's milestones: the reports that open or close a phase.
std::vector<std::int32_t> Milestones(const ReportLog& log) {
    std::vector<std::int32_t> codes;
    for (auto code : log.Codes())
        if (code != 1002 && code != 2002 && code != 5002 && (code < 3000 || code > 3009)) codes.push_back(code);
    return codes;
}

class InstallJobTest : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        platform::SetSleepDivisor(20);
        environment.Set("TMPDIR", temp.NativePath());
        environment.Set("KELVO_DEMO_OPTIONS", "pace=0");
        InstallerSettings::Instance().DownloadType = GetParam();
        InstallerSettings::Instance().InstCmd.clear();
    }
    void TearDown() override {
        platform::SetSleepDivisor(1);
        InstallerSettings::Instance().DownloadType = 1;
        InstallerSettings::Instance().InstCmd.clear();
    }

    // Runs one job to its last report and waits for every worker.
    void Run(const std::wstring& url, const std::wstring& dir, const std::wstring& oldUninstaller = L"") {
        log.Clear();
        CDownloadInstaller job(log.Callback(), L"", L"", L"", true, true, true);
        job.SetParams(url, L"", oldUninstaller, dir, true, true, false, false, L"");
        job.Start();
        ASSERT_TRUE(log.WaitFor({2003, 2004, 1004, 5004, 5005}));
    }

    // Filled before the server starts: its connection threads read them.
    std::string package = *testing_support::ReadFile(kDemo);
    std::string digest = Utils::GetFileMd5(platform::PathToNative(kDemo));
    int failingGets = 0;  // touched by the server's handler only, one request at a time
    TempFolder folder;
    TempFolder temp;
    testing_support::ScopedEnvironment environment;
    ReportLog log;
    HttpTestServer server{[this](const HttpRequest& request) {
        if (request.path == "/" + digest + "/kelvoKids_setup.exe" || request.path == "/software/711")
            return HttpTestServer::Bytes(request, package);
        if (request.path == "/0123456789abcdef0123456789abcdef/kelvoKids_setup.exe")
            return HttpTestServer::Bytes(request, package);
        // Every body cut short; or the first two (one per part), and every later one at once.
        const bool failing = request.path == "/" + digest + "/failing.exe";
        if (request.path == "/" + digest + "/cut.exe" || failing) {
            HttpResponse response = HttpTestServer::Bytes(request, package);
            if (request.method == "GET") response.cutAfter = failing && ++failingGets > 2 ? 0 : 200000;
            return response;
        }
        HttpResponse missing;
        missing.status = 404;
        missing.reason = "Not Found";
        return missing;
    }};
};

TEST_P(InstallJobTest, FreshInstallationThenReinstallationWithRemovalFirst) {
    const std::wstring dir = folder.Join(L"Kelvo Kids");
    const std::wstring url = server.Url("/" + digest + "/kelvoKids_setup.exe");
    Run(url, dir);
    EXPECT_EQ(Milestones(log), (std::vector<std::int32_t>{1001, 1003, 2001, 2003}));
    EXPECT_EQ(log.Codes().front(), 1001);
    EXPECT_FALSE(platform::PathExists(platform::JoinPath(dir, L"__Package_kelvoKids.exe")));
    EXPECT_TRUE(platform::IsRegularFile(platform::JoinPath(dir, L"Kelvo_Kids.exe")));
    const auto uninstallEntry = log.With(3003);
    ASSERT_EQ(uninstallEntry.size(), 1u);

    // The recorded uninstaller removes the earlier version before the download begins.
    Run(url, dir, uninstallEntry[0].text);
    EXPECT_EQ(log.Codes().front(), 5002);
    EXPECT_EQ(Milestones(log), (std::vector<std::int32_t>{5003, 1001, 1003, 2001, 2003}));
    EXPECT_TRUE(platform::IsRegularFile(platform::JoinPath(dir, L"Kelvo_Kids.exe")));
    EXPECT_FALSE(platform::PathExists(platform::JoinPath(dir, L"__Package_kelvoKids.exe")));
}

TEST_P(InstallJobTest, PackageRefutedByItsDigestIsNeverRun) {
    const std::wstring dir = folder.Join(L"refuted");
    Run(server.Url("/0123456789abcdef0123456789abcdef/kelvoKids_setup.exe"), dir);
    EXPECT_EQ(Milestones(log), (std::vector<std::int32_t>{1001, 1006, 1005, 1001, 1006, 1004}));
    EXPECT_TRUE(log.With(2001).empty());
    EXPECT_FALSE(platform::PathExists(platform::JoinPath(dir, L"Kelvo_Kids.exe")));
    EXPECT_FALSE(platform::PathExists(platform::JoinPath(dir, L"__Package_kelvoKids.exe")));
}

TEST_P(InstallJobTest, MissingPackageEndsTheJobWithADownloadFailure) {
    Run(server.Url("/ffffffffffffffffffffffffffffffff/gone.exe"), folder.Join(L"none"));
    const auto codes = log.Codes();
    EXPECT_EQ(codes.front(), 1001);
    EXPECT_EQ(codes.back(), 1004);
    EXPECT_TRUE(log.With(2001).empty());
}

TEST_P(InstallJobTest, FailingPackageEndsTheJobWithItsFailure) {
    InstallerSettings::Instance().InstCmd = L"-demo=pace=0,error=磁盘已满";
    const std::wstring dir = folder.Join(L"failing");
    Run(server.Url("/" + digest + "/kelvoKids_setup.exe"), dir);
    EXPECT_EQ(Milestones(log), (std::vector<std::int32_t>{1001, 1003, 2001, 2004}));
    EXPECT_EQ(log.Reports().back().text, L"磁盘已满");
    EXPECT_FALSE(platform::PathExists(platform::JoinPath(dir, L"__Package_kelvoKids.exe")));
}

// Nothing of the package is left in the folder: neither a part file of the engine nor the package.
void ExpectNothingOfThePackage(const std::wstring& dir) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(platform::PathToNative(dir), error))
        ADD_FAILURE() << "left behind: " << entry.path();
}

TEST_P(InstallJobTest, NoPartFileOutlivesAFailedOrAStoppedDownload) {
    const std::wstring failed = folder.Join(L"failed");
    Run(server.Url("/" + digest + "/failing.exe"), failed);
    EXPECT_EQ(log.Codes().back(), 1004);
    ExpectNothingOfThePackage(failed);

    // Stopped while it gathers the body in pieces.
    const std::wstring stopped = folder.Join(L"stopped");
    log.Clear();
    {
        CDownloadInstaller job(log.Callback(), L"", L"", L"", true, true, true);
        job.SetParams(server.Url("/" + digest + "/cut.exe"), L"", L"", stopped, true, true, false, false, L"");
        job.Start();
        // Stopped once the engine has written part of the body.
        auto written = [&] {
            std::error_code error;
            return platform::IsDirectory(stopped) && !std::filesystem::is_empty(platform::PathToNative(stopped), error);
        };
        for (int waited = 0; waited < 1000 && !written(); ++waited) ::usleep(5000);
        ASSERT_TRUE(written());
    }
    EXPECT_TRUE(log.With(1004).empty());
    ExpectNothingOfThePackage(stopped);
}

// Every engine: libcurl single stream, WinHTTP, libcurl two parts.
INSTANTIATE_TEST_SUITE_P(Engines, InstallJobTest, testing::Values(1, 2, 3),
                         [](const testing::TestParamInfo<int>& info) {
                             return info.param == 2 ? "WinHttp" : info.param == 3 ? "TwoPartCurl" : "Curl";
                         });

}  // namespace
