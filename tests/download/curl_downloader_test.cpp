// The single-stream downloader's reports against a loopback server: verification, the retry
// budget, resuming, and the restart asked from inside a report.
#include "download/curl_downloader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "download/create_downloader.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "tests/download/download_test_support.h"
#include "tests/support/http_test_server.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

namespace {

using download_test::kMebibyte;
using download_test::DigestHex;
using download_test::Package;
using download_test::Recorder;
using download_test::Report;
using testing_support::HttpRequest;
using testing_support::HttpResponse;
using testing_support::HttpTestServer;

const Report kStart{DL_CODE_START, 1.0, L""};
const Report kSuccess{DL_CODE_SUCCESS, 0.0, L"LibCurl"};
const Report kDigestMismatch{DL_CODE_MD5, 0.0, L"curl文件md5校验失败"};
const Report kNoDigest{DL_CODE_MD5, 0.0, L"curl获取url-md5失败"};
const Report kRetry{DL_CODE_RETRY, 0.0, L"LibCurl"};
Report Fail(double value) { return {DL_CODE_FAIL, value, L"LibCurl"}; }

int Ends(const std::vector<Report>& reports) {
    return static_cast<int>(std::count_if(reports.begin(), reports.end(), [](const Report& report) {
        return report.code == DL_CODE_SUCCESS || report.code == DL_CODE_FAIL || report.code == DL_CODE_RETRY;
    }));
}

std::string Upper(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

class CurlDownloaderTest : public testing::Test {
protected:
    void SetUp() override {
        platform::SetSleepDivisor(50);
        CurlClient::SetLimits({5, 1});
    }
    void TearDown() override {
        platform::SetSleepDivisor(1);
        CurlClient::SetLimits({});
    }

    // Runs one download to its last report; the downloader is destroyed (and joined) before the
    // reports are returned.
    std::vector<Report> Download(const std::wstring& url, const std::wstring& path, int ends) {
        Recorder recorder;
        {
            CCurlDownloader downloader(recorder.Callback(), url, path);
            recorder.RestartWith(&downloader);
            downloader.Start();
            recorder.WaitForEnds(ends);
        }
        return recorder.All();
    }

    testing_support::TempFolder folder;
    const std::wstring target = folder.Join(L"__Package_kelvoKids.exe");
};

TEST_F(CurlDownloaderTest, PackageIsCheckedAgainstTheDigestInItsUrl) {
    const std::string bytes = Package(2 * kMebibyte);
    const std::string digest = DigestHex(bytes);
    const std::string wrong = DigestHex("another package");
    struct Case {
        std::string path;
        std::vector<Report> expected;
    };
    const Case cases[] = {
        {"/files/" + digest + "/setup.exe", {kStart, kSuccess}},
        {"/software/711", {kStart, kNoDigest, kSuccess}},
        // One restart through the owner, then the failure.
        {"/files/" + wrong + "/setup.exe", {kStart, kDigestMismatch, kRetry, kStart, kDigestMismatch, Fail(0.0)}},
        {"/files/" + Upper(digest) + "/setup.exe",
         {kStart, kDigestMismatch, kRetry, kStart, kDigestMismatch, Fail(0.0)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        platform::RemoveFile(target);
        HttpTestServer server([&](const HttpRequest& request) { return HttpTestServer::Bytes(request, bytes); });
        const auto reports = Download(server.Url(c.path), target, Ends(c.expected));
        EXPECT_EQ(Recorder::WithoutProgress(reports), c.expected);
        for (const auto& report : reports) {
            if (report.code == DL_CODE_PROGRESS) {
                EXPECT_TRUE(report.value > 0.0 && report.value <= 1.0);
            }
        }
        const bool verified = c.expected.back() == kSuccess;
        // A package that failed its digest is not left where it could be run.
        EXPECT_EQ(platform::PathExists(target), verified);
        if (verified) {
            EXPECT_EQ(testing_support::ReadFile(target), bytes);
        }
        EXPECT_FALSE(platform::PathExists(target + L".part"));
    }
}

TEST_F(CurlDownloaderTest, PersistentFailureSpendsTheBudget) {
    const std::string bytes = Package(2 * kMebibyte);
    const std::string small = Package(kMebibyte - 1);
    struct Case {
        const char* name;
        std::function<HttpResponse(const HttpRequest&)> answer;
        int code;
        std::size_t attempts;
    };
    const Case cases[] = {
        {"not found",
         [](const HttpRequest&) {
             HttpResponse response;
             response.status = 404;
             response.reason = "Not Found";
             return response;
         },
         CurlClient::kLengthUnknown, 6},
        {"body refused",
         [&](const HttpRequest& request) {
             if (request.method == "HEAD") return HttpTestServer::Bytes(request, bytes);
             HttpResponse response;
             response.status = 403;
             response.reason = "Forbidden";
             return response;
         },
         CURLE_HTTP_RETURNED_ERROR, 6},
        {"too small", [&](const HttpRequest& request) { return HttpTestServer::Bytes(request, small); },
         CurlClient::kLengthUnknown, 6},
        // Each attempt moves the part file on by 100 bytes, and a break costs one point.
        {"breaks every time",
         [&](const HttpRequest& request) {
             HttpResponse response = HttpTestServer::Bytes(request, bytes);
             response.cutAfter = 100;
             return response;
         },
         CURLE_PARTIAL_FILE, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HttpTestServer server(c.answer);
        testing_support::LogCapture log;
        const auto reports = Download(server.Url("/software/711"), target, 1);
        EXPECT_EQ(Recorder::WithoutProgress(reports), (std::vector<Report>{kStart, Fail(c.code)}));
        EXPECT_EQ(log.LinesWith(L"start download").size(), c.attempts);
        EXPECT_EQ(log.LinesWith(L"CurlDownLoader Code=" + std::to_wstring(c.code)).size(), c.attempts - 1);
        if (c.code == CURLE_PARTIAL_FILE) {
            std::size_t expectedOffset = 0;
            for (const auto& request : server.Requests()) {
                if (request.method != "GET") continue;
                const auto range = request.headers.find("range");
                EXPECT_EQ(range == request.headers.end() ? "" : range->second,
                          expectedOffset ? "bytes=" + std::to_string(expectedOffset) + "-" : "");
                expectedOffset += 100;
            }
            EXPECT_EQ(expectedOffset, 1200u);
        }
        EXPECT_FALSE(platform::PathExists(target));
    }
}

TEST_F(CurlDownloaderTest, BrokenOrStalledTransferResumesToSuccess) {
    const std::string bytes = Package(2 * kMebibyte);
    const std::string path = "/files/" + DigestHex(bytes) + "/setup.exe";
    struct Case {
        const char* name;
        std::size_t piece;
        bool stall;
        std::size_t gets;
    };
    for (const Case& c : {Case{"breaks", 512 * 1024, false, 4}, Case{"stalls once", 1536 * 1024, true, 2}}) {
        SCOPED_TRACE(c.name);
        platform::RemoveFile(target);
        std::atomic<int> gets{0};
        HttpTestServer server([&](const HttpRequest& request) {
            HttpResponse response = HttpTestServer::Bytes(request, bytes);
            if (request.method != "GET") return response;
            const bool last = static_cast<std::size_t>(++gets) == c.gets;
            if (!last) {
                response.cutAfter = c.piece;
                response.stall = c.stall;
            }
            return response;
        });
        testing_support::LogCapture log;
        const auto reports = Download(server.Url(path), target, 1);
        EXPECT_EQ(Recorder::WithoutProgress(reports), (std::vector<Report>{kStart, kSuccess}));
        EXPECT_EQ(static_cast<std::size_t>(gets), c.gets);
        const std::wstring retried = c.stall ? L"CurlDownLoader Code=28" : L"CurlDownLoader Code=18";
        EXPECT_EQ(log.LinesWith(retried).size(), c.gets - 1);
        EXPECT_EQ(testing_support::ReadFile(target), bytes);
    }
}

TEST_F(CurlDownloaderTest, ImpossibleTargets) {
    HttpTestServer server([](const HttpRequest& request) { return HttpTestServer::Bytes(request, Package(kMebibyte)); });
    // Without a path the worker gives up at once, and quietly for the server.
    EXPECT_EQ(Download(server.Url("/software/711"), L"", 1),
              (std::vector<Report>{kStart, {DL_CODE_FAIL, 1.0, L""}}));
    EXPECT_TRUE(server.Requests().empty());

    folder.WriteFile(L"plain", "x");
    EXPECT_EQ(Recorder::WithoutProgress(Download(server.Url("/software/711"), folder.Join(L"plain/setup.exe"), 1)),
              (std::vector<Report>{kStart, Fail(CurlClient::kPartFileNotOpened)}));
}

TEST_F(CurlDownloaderTest, ProgressRelayReportsOnlyMovingTransfers) {
    Recorder recorder;
    CCurlDownloader downloader(recorder.Callback(), L"http://127.0.0.1:1/x", target);
    CCurlDownloader::OnProgress(&downloader, 0.0, 0.0, 50.0);
    CCurlDownloader::OnProgress(&downloader, 10.0, 0.0, 100.5);
    CCurlDownloader::OnProgress(&downloader, 10.0, 0.0, 25.0);
    CCurlDownloader::OnProgress(&downloader, 10.0, 0.0, 100.0);
    EXPECT_EQ(recorder.All(), (std::vector<Report>{{DL_CODE_PROGRESS, 0.25, L""}, {DL_CODE_PROGRESS, 1.0, L""}}));
}

TEST_F(CurlDownloaderTest, DestroyingStopsTheTransferAndJoinsTheWorker) {
    CurlClient::SetLimits({5, 600});
    const std::string bytes = Package(2 * kMebibyte);
    std::atomic<bool> bodyStarted{false};
    HttpTestServer server([&](const HttpRequest& request) {
        HttpResponse response = HttpTestServer::Bytes(request, bytes);
        if (request.method == "GET") {
            response.cutAfter = kMebibyte;
            response.stall = true;
            bodyStarted = true;
        }
        return response;
    });
    Recorder recorder;
    {
        CCurlDownloader downloader(recorder.Callback(), server.Url("/software/711"), target);
        downloader.Start();
        while (!bodyStarted) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // No report once the owner has let go, and no part file left behind.
    EXPECT_EQ(Recorder::WithoutProgress(recorder.All()), (std::vector<Report>{kStart}));
    EXPECT_FALSE(platform::PathExists(target + L".part"));
    EXPECT_FALSE(platform::PathExists(target));
}

TEST_F(CurlDownloaderTest, EveryTypeButTheOthersSelectsTheSingleStream) {
    for (int type : {1, 0, 4, -1}) {
        auto downloader = CreateDownloader(type, nullptr, L"http://127.0.0.1:1/x", target);
        EXPECT_NE(dynamic_cast<CCurlDownloader*>(downloader.get()), nullptr) << type;
    }
}

}  // namespace
