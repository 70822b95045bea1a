// The three download engines against the package server, faults switched on: what the engines
// meet in the field, over kept-alive connections and real ranges.
#include <gtest/gtest.h>

#include <algorithm>

#include "download/create_downloader.h"
#include "download/curl_client.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "tests/download/download_test_support.h"
#include "tests/support/temp_folder.h"
#include "tools/pkgserve/package_server.h"
#include "utils/text.h"

namespace {

using download_test::Recorder;
using download_test::Report;
using pkgserve::RedirectMode;
using pkgserve::ServerFaults;

// Reports from the first digest note or end on, progress left out: the verdicts of each run.
std::vector<std::int32_t> Verdicts(const std::vector<Report>& reports) {
    std::vector<std::int32_t> codes;
    for (const auto& report : reports)
        if (report.code >= DL_CODE_SUCCESS) codes.push_back(report.code);
    return codes;
}

class EngineDownloadTest : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        platform::SetSleepDivisor(50);
        CurlClient::SetLimits({5, 1});
        package = download_test::Package(3 * download_test::kMebibyte + 12345);
        packages.WriteFile(L"kelvoKids_setup.exe", package);
        pkgserve::PackageCatalog catalog;
        std::string error;
        ASSERT_TRUE(catalog.AddFolder(packages.NativePath(), error)) << error;
        server = std::make_unique<pkgserve::PackageServer>(std::move(catalog), pkgserve::ServerOptions{});
        ASSERT_TRUE(server->Start(error)) << error;
    }
    void TearDown() override {
        platform::SetSleepDivisor(1);
        CurlClient::SetLimits({});
    }

    std::wstring Url(const std::string& path) const { return Utils::Utf8ToWide(server->BaseUrl() + path); }
    std::wstring PackageUrl() const { return Url(server->Catalog().Packages()[0].PackagePath()); }

    // Runs one download with the engine under test, restarts answered as the installation job
    // answers them, until it has ended that many times; the downloader is joined before return.
    std::vector<Report> Download(const std::wstring& url, int ends) {
        Recorder recorder;
        {
            auto downloader = CreateDownloader(GetParam(), recorder.Callback(), url, target);
            recorder.RestartWith(downloader.get());
            downloader->Start();
            recorder.WaitForEnds(ends);
        }
        return recorder.All();
    }

    testing_support::TempFolder packages;
    testing_support::TempFolder folder;
    const std::wstring target = folder.Join(L"__Package_kelvoKids.exe");
    std::string package;
    std::unique_ptr<pkgserve::PackageServer> server;
};

TEST_P(EngineDownloadTest, PublishedPackageArrivesVerified) {
    const auto reports = Download(PackageUrl(), 1);
    EXPECT_EQ(reports.front().code, DL_CODE_START);
    EXPECT_EQ(Verdicts(reports), (std::vector<std::int32_t>{DL_CODE_SUCCESS}));
    EXPECT_TRUE(platform::ReadWholeFile(target) == package);
}

TEST_P(EngineDownloadTest, CutConnectionsAreResumedToSuccess) {
    ServerFaults faults;
    faults.cutAfter = 700000;
    faults.cutFirst = 3;
    server->SetFaults(faults);
    const auto reports = Download(PackageUrl(), 1);
    EXPECT_EQ(Verdicts(reports), (std::vector<std::int32_t>{DL_CODE_SUCCESS}));
    EXPECT_TRUE(platform::ReadWholeFile(target) == package);
}

// A server that stops honouring ranges after a cut answers the resumption with the whole file:
// the kept bytes go and the package is fetched anew within the same budget, and the check judges
// the new file, not the bytes digested from the old one while it arrived.
TEST_P(EngineDownloadTest, ResumptionAnsweredWholeStartsOver) {
    ServerFaults faults;
    faults.cutAfter = 700000;
    faults.ignoreRanges = true;
    for (int cuts : {1, 0}) {  // the first answer cut, then every answer: the budget still ends it
        SCOPED_TRACE(cuts);
        platform::DeleteFile(target);
        faults.cutFirst = cuts;
        server->SetFaults(faults);
        const bool arrives = cuts == 1;
        const auto reports = Download(PackageUrl(), !arrives && GetParam() == 3 ? 2 : 1);
        EXPECT_EQ(Verdicts(reports).back(), arrives ? DL_CODE_SUCCESS : DL_CODE_FAIL);
        EXPECT_EQ(platform::ReadWholeFile(target) == package, arrives);
    }
}

TEST_P(EngineDownloadTest, SixtyFourDigitAddressesAreCheckedWithSha256) {
    const std::wstring prefix = GetParam() == 3 ? L"mtcurl" : L"curl";
    ServerFaults wrong;
    wrong.wrongBody = true;
    struct Case {
        const char* name;
        ServerFaults faults;
        int ends;
        std::vector<std::int32_t> verdicts;
    };
    const Case cases[] = {
        {"the package", {}, 1, {DL_CODE_SUCCESS}},
        {"another body", wrong, 2, {DL_CODE_MD5, DL_CODE_RETRY, DL_CODE_MD5, DL_CODE_FAIL}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::DeleteFile(target);
        server->SetFaults(c.faults);
        const auto reports = Download(Url(server->Catalog().Packages()[0].Sha256Path()), c.ends);
        EXPECT_EQ(Verdicts(reports), c.verdicts);
        for (const auto& report : reports) {
            if (report.code == DL_CODE_MD5) {
                EXPECT_EQ(report.text, prefix + L"文件sha256校验失败");
            }
        }
        EXPECT_EQ(platform::PathExists(target), c.verdicts.back() == DL_CODE_SUCCESS);
    }
}

TEST_P(EngineDownloadTest, WrongBodyIsRefutedRestartedOnceThenGivenUp) {
    ServerFaults faults;
    faults.wrongBody = true;
    server->SetFaults(faults);
    const auto reports = Download(PackageUrl(), 2);
    EXPECT_EQ(Verdicts(reports),
              (std::vector<std::int32_t>{DL_CODE_MD5, DL_CODE_RETRY, DL_CODE_MD5, DL_CODE_FAIL}));
    EXPECT_EQ(reports.back().value, 0.0);
    EXPECT_FALSE(platform::PathExists(target));
}

TEST_P(EngineDownloadTest, RedirectToTheDigestAddressIsFollowedAndVerified) {
    ServerFaults faults;
    faults.redirect = RedirectMode::kOncePerPath;
    server->SetFaults(faults);
    // Asked without a digest, the package is verified by the address it is redirected to.
    const auto reports = Download(Url("/files/kelvoKids_setup.exe"), 1);
    EXPECT_EQ(Verdicts(reports), (std::vector<std::int32_t>{DL_CODE_SUCCESS}));
    EXPECT_TRUE(platform::ReadWholeFile(target) == package);

    // A wrong body behind the same redirect shows that the digest was really checked.
    faults.wrongBody = true;
    faults.redirect = RedirectMode::kAlways;
    server->SetFaults(faults);
    EXPECT_EQ(Verdicts(Download(Url("/files/kelvoKids_setup.exe"), 2)),
              (std::vector<std::int32_t>{DL_CODE_MD5, DL_CODE_RETRY, DL_CODE_MD5, DL_CODE_FAIL}));
}

TEST_P(EngineDownloadTest, DownloadsRefusedWhileProbesSucceedEndInFailure) {
    ServerFaults faults;
    faults.failStatus = 500;
    faults.failOnlyGet = true;
    server->SetFaults(faults);
    // The two-part engine asks for its one restart first.
    const auto reports = Download(PackageUrl(), GetParam() == 3 ? 2 : 1);
    EXPECT_EQ(Verdicts(reports).back(), DL_CODE_FAIL);
    EXPECT_TRUE(std::none_of(reports.begin(), reports.end(), [](const Report& r) { return r.code == DL_CODE_SUCCESS; }));
    EXPECT_FALSE(platform::PathExists(target));
}

// libcurl single stream, WinHTTP, libcurl two parts.
INSTANTIATE_TEST_SUITE_P(Engines, EngineDownloadTest, testing::Values(1, 2, 3),
                         [](const testing::TestParamInfo<int>& info) {
                             return info.param == 2 ? "WinHttp" : info.param == 3 ? "TwoPartCurl" : "Curl";
                         });

class SynthesisedDownloadTest : public testing::Test {
protected:
    void SetUp() override { platform::SetSleepDivisor(50); }
    void TearDown() override {
        platform::SetSleepDivisor(1);
        CurlClient::SetLimits({});
    }

    // Serves one synthesised body with the faults and downloads it with the engine; the
    // server's log lines for GET requests are kept.
    std::vector<Report> Download(int engine, std::uint64_t size, const ServerFaults& faults) {
        pkgserve::PackageCatalog catalog;
        std::string error;
        EXPECT_TRUE(catalog.AddSynthesised("kelvoKids_setup.exe", size, error));
        pkgserve::ServerOptions options;
        options.faults = faults;
        options.log = [this](const std::string& line) {
            if (line.rfind("GET", 0) == 0) gets.push_back(line.substr(line.find(' ', 4) + 1));
        };
        pkgserve::PackageServer server(std::move(catalog), options);
        EXPECT_TRUE(server.Start(error));
        Recorder recorder;
        {
            const auto url = Utils::Utf8ToWide(server.BaseUrl() + server.Catalog().Packages()[0].PackagePath());
            auto downloader = CreateDownloader(engine, recorder.Callback(), url, target);
            recorder.RestartWith(downloader.get());
            downloader->Start();
            recorder.WaitForEnds(1);
        }
        server.Stop();
        std::sort(gets.begin(), gets.end());
        return recorder.All();
    }

    bool TargetIsSynthesised(std::uint64_t size) const {
        std::string expected(size, '\0');
        pkgserve::FillSynthesised(0, expected.data(), expected.size());
        return platform::ReadWholeFile(target) == expected;
    }

    testing_support::TempFolder folder;
    const std::wstring target = folder.Join(L"__Package_kelvoKids.exe");
    std::vector<std::string> gets;
};

TEST_F(SynthesisedDownloadTest, TwoPartEngineSplitsAtTwentyMebibytes) {
    const std::vector<std::pair<std::uint64_t, std::vector<std::string>>> cases = {
        {20971519, {"206 0-20971518"}},
        {20971520, {"206 0-10485759", "206 10485760-20971519"}},
        {31457281, {"206 0-15728639", "206 15728640-31457280"}},
    };
    for (const auto& [size, ranges] : cases) {
        gets.clear();
        EXPECT_EQ(Verdicts(Download(3, size, {})), (std::vector<std::int32_t>{DL_CODE_SUCCESS})) << size;
        EXPECT_EQ(gets, ranges) << size;
        EXPECT_TRUE(TargetIsSynthesised(size)) << size;
    }
}

TEST_F(SynthesisedDownloadTest, StalledStreamTimesOutAndIsFetchedAgain) {
    // Stalled before its first body byte: libcurl's speed over its last seconds is 0 at once,
    // so the shortened limit ends the transfer after one second.
    CurlClient::SetLimits({5, 1});
    ServerFaults faults;
    faults.stallAfter = 0;
    faults.stallFirst = 1;
    const auto reports = Download(1, 2500000, faults);
    EXPECT_EQ(Verdicts(reports), (std::vector<std::int32_t>{DL_CODE_SUCCESS}));
    EXPECT_EQ(gets, (std::vector<std::string>{"200", "200 stalled after 0"}));
    EXPECT_TRUE(TargetIsSynthesised(2500000));
}

}  // namespace
