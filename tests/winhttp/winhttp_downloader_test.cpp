// The WinHTTP downloader's reports and files against a loopback server.
#include "download/winhttp_downloader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "tests/support/http_test_server.h"
#include "tests/support/temp_folder.h"
#include "utils/digest.h"

namespace {

using testing_support::HttpRequest;
using testing_support::HttpResponse;
using testing_support::HttpTestServer;

struct Report {
    std::int32_t code;
    double value;
    std::wstring text;
};

// Collects reports; a worker ends with 1003, 1004 or 1005.
class Reports {
public:
    StatusCallback Callback() {
        return [this](std::int32_t code, double value, const wchar_t* text) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_reports.push_back({code, value, text});
            if (code == 1003 || code == 1004 || code == 1005) ++m_ends;
            m_changed.notify_all();
        };
    }
    std::vector<Report> WaitForEnds(int ends) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::minutes(1), [&] { return m_ends >= ends; });
        return m_reports;
    }
    static std::vector<std::int32_t> Phases(const std::vector<Report>& reports) {
        std::vector<std::int32_t> codes;
        for (const auto& report : reports)
            if (codes.empty() || codes.back() != report.code) codes.push_back(report.code);
        return codes;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Report> m_reports;
    int m_ends = 0;
};

std::string Package(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t at = 0; at < size; ++at) bytes[at] = static_cast<char>((at * 13 + 5) & 0xFF);
    return bytes;
}

class WinHttpDownloaderTest : public testing::Test {
protected:
    void SetUp() override { platform::SetSleepDivisor(50); }
    void TearDown() override { platform::SetSleepDivisor(1); }

    // One download to its first end; the downloader is joined before the reports are returned.
    std::vector<Report> Download(const std::wstring& url, const std::wstring& target) {
        Reports local;
        {
            WinHttpDownloader downloader(local.Callback(), url, target);
            downloader.Start();
            local.WaitForEnds(1);
        }
        return local.WaitForEnds(1);
    }

    std::string DigestOf(const std::string& bytes) {
        const std::wstring file = folder.WriteFile(L"digest.tmp", bytes);
        const std::string digest = Utils::GetFileMd5(platform::PathToNative(file));
        platform::RemoveFile(file);
        return digest;
    }

    testing_support::TempFolder folder;
    Reports reports;
};

TEST_F(WinHttpDownloaderTest, VerifiedPackageIsPutInPlace) {
    const std::string package = Package(600000);
    HttpTestServer server([&](const HttpRequest& request) { return HttpTestServer::Bytes(request, package); });
    const std::wstring target = folder.WriteFile(L"__Package_kelvoKids.exe", "an older, longer file " + std::string(1000, 'z'));
    {
        WinHttpDownloader downloader(reports.Callback(), server.Url("/" + DigestOf(package) + "/setup.exe"), target);
        downloader.Start();
        reports.WaitForEnds(1);
    }
    auto all = reports.WaitForEnds(1);
    EXPECT_EQ(Reports::Phases(all), (std::vector<std::int32_t>{1001, 1002, 1003}));
    EXPECT_DOUBLE_EQ(all.front().value, 1.0);
    EXPECT_EQ(all.back().text, L"WinHttp");
    for (const auto& report : all)
        if (report.code == 1002) {
            EXPECT_TRUE(report.value >= 0.0 && report.value <= 1.0);
        }
    EXPECT_EQ(testing_support::ReadFile(target), package);
    EXPECT_FALSE(platform::PathExists(target + L".part"));
}

TEST_F(WinHttpDownloaderTest, DigestMismatchAsksForOneRestartThenFails) {
    const std::string package = Package(200000);
    HttpTestServer server([&](const HttpRequest& request) { return HttpTestServer::Bytes(request, package); });
    const std::wstring target = folder.Join(L"pkg.exe");
    WinHttpDownloader downloader(reports.Callback(),
                                 server.Url("/0123456789abcdef0123456789abcdef/setup.exe"), target);
    downloader.Start();
    reports.WaitForEnds(1);
    downloader.Start();
    auto all = reports.WaitForEnds(2);
    std::vector<std::int32_t> ends;
    for (const auto& report : all)
        if (report.code >= 1003) ends.push_back(report.code);
    EXPECT_EQ(ends, (std::vector<std::int32_t>{1006, 1005, 1006, 1004}));
    EXPECT_EQ(all.back().value, 0.0);
    for (const auto& report : all)
        if (report.code == 1006) {
            EXPECT_EQ(report.text, L"curl文件md5校验失败");
        }
    // A package that failed its digest is never left where it would be run.
    EXPECT_FALSE(platform::PathExists(target));
}

TEST_F(WinHttpDownloaderTest, AddressWithoutDigestIsNotVerified) {
    HttpTestServer server([&](const HttpRequest& request) { return HttpTestServer::Bytes(request, "content"); });
    const std::wstring target = folder.Join(L"pkg.exe");
    WinHttpDownloader downloader(reports.Callback(), server.Url("/software/711"), target);
    downloader.Start();
    auto all = reports.WaitForEnds(1);
    EXPECT_EQ(Reports::Phases(all).back(), 1003);
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[all.size() - 2].code, 1006);
    EXPECT_EQ(all[all.size() - 2].text, L"curl获取url-md5失败");
    EXPECT_EQ(testing_support::ReadFile(target), "content");
}

TEST_F(WinHttpDownloaderTest, BrokenTransfersResumeFromThePartFile) {
    const std::string package = Package(300000);
    std::atomic<int> served{0};
    for (bool honourRange : {true, false}) {
        served = 0;
        HttpTestServer server([&](const HttpRequest& request) {
            HttpResponse response = HttpTestServer::Bytes(request, package, honourRange);
            if (served++ < 2) response.cutAfter = 50000;  // the first two answers break off
            return response;
        });
        Reports local;
        const std::wstring target = folder.Join(honourRange ? L"a.exe" : L"b.exe");
        WinHttpDownloader downloader(local.Callback(), server.Url("/" + DigestOf(package) + "/setup.exe"), target);
        downloader.Start();
        auto all = local.WaitForEnds(1);
        EXPECT_EQ(all.back().code, 1003) << honourRange;
        EXPECT_EQ(testing_support::ReadFile(target), package) << honourRange;
        auto requests = server.Requests();
        ASSERT_GE(requests.size(), 3u);
        EXPECT_EQ(requests[0].headers.count("range"), 0u);
        EXPECT_EQ(requests[1].headers["range"], "bytes=50000-");
    }
}

// Without a digest in the address only the transfer itself can tell that a body is not whole.
TEST_F(WinHttpDownloaderTest, BodiesCutShortAreResumedNeverTakenWhole) {
    const std::string package = Package(100000);
    struct Case {
        const char* name;
        bool chunked;
        bool lowerCaseLength;
    };
    const Case cases[] = {
        {"chunked reply cut before its last chunk", true, false},
        {"length given in lower case", false, true},
        {"length given as usual", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HttpTestServer server([&](const HttpRequest& request) {
            HttpResponse response = HttpTestServer::Bytes(request, package);
            response.chunked = c.chunked;
            if (c.lowerCaseLength) {
                response.sendLength = false;
                response.headers.push_back({"content-length", std::to_string(response.body.size())});
            }
            if (response.body.size() > 30000) response.cutAfter = 30000;  // all but the last piece
            return response;
        });
        const std::wstring target = folder.Join(L"cut.exe");
        platform::RemoveFile(target);
        EXPECT_EQ(Reports::Phases(Download(server.Url("/software/711"), target)).back(), 1003);
        EXPECT_TRUE(testing_support::ReadFile(target) == package);
        EXPECT_EQ(server.Requests().size(), 4u);  // 0-, 30000-, 60000-, 90000-
    }
}

TEST_F(WinHttpDownloaderTest, PartsAtAnotherOffsetAreNeverAppended) {
    const std::string package = Package(300000);
    for (int wrongAnswers : {1, 100}) {
        SCOPED_TRACE(wrongAnswers);
        std::atomic<int> gets{0}, wrong{0};
        HttpTestServer server([&](const HttpRequest& request) {
            if (gets++ == 0) {
                HttpResponse response = HttpTestServer::Bytes(request, package);
                response.cutAfter = 50000;
                return response;
            }
            if (wrong++ >= wrongAnswers) return HttpTestServer::Bytes(request, package);
            // A part that begins a thousand bytes before the one asked for.
            HttpRequest earlier = request;
            earlier.headers["range"] = "bytes=49000-";
            return HttpTestServer::Bytes(earlier, package);
        });
        const std::wstring target = folder.Join(L"offset.exe");
        platform::RemoveFile(target);
        const auto all = Download(server.Url("/software/711"), target);
        if (wrongAnswers == 1) {
            EXPECT_EQ(Reports::Phases(all).back(), 1003);
            EXPECT_TRUE(testing_support::ReadFile(target) == package);
        } else {
            EXPECT_EQ(Reports::Phases(all).back(), 1004);
            EXPECT_DOUBLE_EQ(all.back().value, static_cast<double>(WinHttpDownloader::kWrongOffset));
            EXPECT_FALSE(platform::PathExists(target));
            // The part file kept the first bytes and nothing after them.
            EXPECT_EQ(testing_support::ReadFile(target + L".part"), package.substr(0, 50000));
        }
    }
}

TEST_F(WinHttpDownloaderTest, MissingPackageFailsAfterItsBudget) {
    HttpTestServer server([](const HttpRequest&) {
        HttpResponse response;
        response.status = 404;
        response.reason = "Not Found";
        return response;
    });
    WinHttpDownloader downloader(reports.Callback(), server.Url("/x/setup.exe"), folder.Join(L"p.exe"));
    downloader.Start();
    auto all = reports.WaitForEnds(1);
    EXPECT_EQ(Reports::Phases(all), (std::vector<std::int32_t>{1001, 1004}));
    EXPECT_DOUBLE_EQ(all.back().value, 404.0);
    EXPECT_EQ(server.Requests().size(), 6u);
    EXPECT_FALSE(platform::PathExists(folder.Join(L"p.exe")));
}

TEST_F(WinHttpDownloaderTest, EmptyTargetFailsAtOnce) {
    WinHttpDownloader downloader(reports.Callback(), L"http://127.0.0.1:1/x/y", L"");
    downloader.Start();
    auto all = reports.WaitForEnds(1);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].code, 1001);
    EXPECT_EQ(all[1].code, 1004);
    EXPECT_DOUBLE_EQ(all[1].value, 1.0);
    EXPECT_EQ(all[1].text, L"");
}

}  // namespace
