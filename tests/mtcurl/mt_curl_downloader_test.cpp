// The two-part downloader against a loopback server: splitting, resuming, faults, restarts.
#include "download/mt_curl_downloader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <thread>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "tests/download/download_test_support.h"
#include "tests/mtcurl/mt_curl_test_support.h"
#include "tests/support/http_test_server.h"
#include "tests/support/temp_folder.h"

namespace {

using mtcurl_testing::Report;
using mtcurl_testing::Reports;
using testing_support::HttpRequest;
using testing_support::HttpResponse;
using testing_support::HttpTestServer;
using Ends = std::vector<std::pair<std::int32_t, double>>;

// Just past the two-part threshold: parts 0-10,486,259 and 10,486,260-20,972,519.
constexpr std::size_t kTwoPartLength = 20971520 + 1000;
constexpr std::size_t kSecondPartStart = kTwoPartLength / 2;

std::string Package(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

bool IsPartRequest(const HttpRequest& request, std::size_t first) {
    return request.method == "GET" && request.headers.count("range") &&
           request.headers.at("range").rfind("bytes=" + std::to_string(first) + "-", 0) == 0;
}

std::vector<std::string> RangesOf(const std::vector<HttpRequest>& requests) {
    std::vector<std::string> ranges;
    for (const auto& request : requests)
        ranges.push_back(request.method + " " + (request.headers.count("range") ? request.headers.at("range") : ""));
    return ranges;
}

class MTCurlDownloaderTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_package = new std::string(Package(kTwoPartLength));
        s_digest = new std::string(download_test::DigestHex(*s_package));
    }
    static void TearDownTestSuite() {
        delete s_package;
        delete s_digest;
    }
    void SetUp() override { platform::SetSleepDivisor(50); }
    void TearDown() override { platform::SetSleepDivisor(1); }

    // Every progress call counts as a new second, so reports follow the bytes, not the clock.
    std::unique_ptr<CMTCurlDownloader> Make(const std::wstring& url, Reports& into) {
        auto downloader = std::make_unique<CMTCurlDownloader>(into.Callback(), url, target);
        into.RestartThrough(downloader.get());
        auto tick = std::make_shared<std::int64_t>(0);
        downloader->SetProgressClock([tick] { return ++*tick; });
        return downloader;
    }

    std::string DigestPath() const { return "/" + *s_digest + "/setup.exe"; }

    bool PartFilesLeft() const {
        return platform::PathExists(target + L"_0") || platform::PathExists(target + L"_1");
    }

    static std::string* s_package;
    static std::string* s_digest;
    testing_support::TempFolder folder;
    std::wstring target = folder.Join(L"__Package_kelvoKids.exe");
    Reports reports;
};

std::string* MTCurlDownloaderTest::s_package = nullptr;
std::string* MTCurlDownloaderTest::s_digest = nullptr;

TEST(MTCurlSplitTest, RangesByLength) {
    using Ranges = std::vector<std::pair<std::int32_t, std::int32_t>>;
    const std::vector<std::pair<std::int32_t, Ranges>> cases = {
        {256, {{0, 255}}},
        {20971519, {{0, 20971518}}},
        {20971520, {{0, 10485759}, {10485760, 20971519}}},
        {31457281, {{0, 15728639}, {15728640, 31457280}}},
        {104857600, {{0, 52428799}, {52428800, 104857599}}},
        {2147483647, {{0, 1073741822}, {1073741823, 2147483646}}},
    };
    for (const auto& [length, expected] : cases) {
        Ranges actual;
        for (const auto& range : CMTCurlDownloader::SplitIntoParts(length)) actual.push_back({range.first, range.last});
        EXPECT_EQ(actual, expected) << length;
    }
}

TEST_F(MTCurlDownloaderTest, TwoPartsAreFetchedJoinedAndVerified) {
    HttpTestServer server([&](const HttpRequest& request) { return HttpTestServer::Bytes(request, *s_package); });
    folder.WriteFile(L"__Package_kelvoKids.exe", "an older package");
    auto downloader = Make(server.Url(DigestPath()), reports);
    downloader->Start();
    const auto all = reports.WaitForFinalEnd();
    downloader.reset();

    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all.front().code, DL_CODE_START);
    EXPECT_EQ(all.front().value, 1.0);
    EXPECT_EQ(all.back().code, DL_CODE_SUCCESS);
    EXPECT_EQ(all.back().value, 0.0);
    EXPECT_EQ(all.back().text, L"LibCurl");
    double last = 0.0;
    int progress = 0;
    for (const auto& report : all)
        if (report.code == DL_CODE_PROGRESS) {
            ++progress;
            EXPECT_GE(report.value - last, 0.0099);
            EXPECT_LE(report.value, 1.0);
            last = report.value;
        }
    EXPECT_GT(progress, 0);
    EXPECT_TRUE(testing_support::ReadFile(target) == *s_package);
    EXPECT_FALSE(PartFilesLeft());

    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].method, "HEAD");
    EXPECT_EQ(requests[0].headers["connection"], "keep-alive");
    std::vector<std::string> ranges = RangesOf(requests);
    std::sort(ranges.begin() + 1, ranges.end());
    EXPECT_EQ(ranges[1], "GET bytes=0-10486259");
    EXPECT_EQ(ranges[2], "GET bytes=10486260-20972519");
}

TEST_F(MTCurlDownloaderTest, DigestMismatchRestartsOnceFromScratchThenFails) {
    const std::string package = Package(300000);
    std::string upper = download_test::DigestHex(package);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return static_cast<char>(std::toupper(c)); });
    // A wrong digest, and the right one in upper case: both are mismatches.
    for (const std::string& digest : {std::string(32, '0'), upper}) {
        HttpTestServer server([&](const HttpRequest& request) { return HttpTestServer::Bytes(request, package); });
        Reports local;
        auto downloader = Make(server.Url("/" + digest + "/setup.exe"), local);
        downloader->Start();
        const auto all = local.WaitForFinalEnd();
        downloader.reset();
        EXPECT_EQ(Reports::Ends(all), (Ends{{DL_CODE_MD5, 0.0}, {DL_CODE_RETRY, 0.0}, {DL_CODE_MD5, 0.0}, {DL_CODE_FAIL, 0.0}}))
            << digest;
        for (const auto& report : all) {
            if (report.code == DL_CODE_MD5) {
                EXPECT_EQ(report.text, L"mtcurl文件md5校验失败");
            }
        }
        EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const Report& r) { return r.code == DL_CODE_START; }), 2);
        // The restart keeps the probe's answer and fetches the whole file again.
        EXPECT_EQ(RangesOf(server.Requests()),
                  (std::vector<std::string>{"HEAD ", "GET bytes=0-299999", "GET bytes=0-299999"}));
        EXPECT_FALSE(platform::PathExists(target));
        EXPECT_FALSE(PartFilesLeft());
    }
}

TEST_F(MTCurlDownloaderTest, AddressWithoutDigestSucceedsUnverified) {
    const std::string package = Package(5000);
    HttpTestServer server([&](const HttpRequest& request) {
        if (request.path == "/software/711") {
            HttpResponse moved;
            moved.status = 302;
            moved.reason = "Found";
            moved.headers.push_back({"Location", "/files/setup.exe"});
            return moved;
        }
        return HttpTestServer::Bytes(request, package);
    });
    auto downloader = Make(server.Url("/software/711"), reports);
    downloader->Start();
    const auto all = reports.WaitForFinalEnd();
    downloader.reset();
    EXPECT_EQ(Reports::Ends(all), (Ends{{DL_CODE_MD5, 0.0}, {DL_CODE_SUCCESS, 0.0}}));
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[all.size() - 2].text, L"mtcurl获取url-md5失败");
    EXPECT_TRUE(testing_support::ReadFile(target) == package);
    // The parts go straight to the resolved address.
    for (const auto& request : server.Requests()) {
        if (request.method == "GET") {
            EXPECT_EQ(request.path, "/files/setup.exe");
        }
    }
}

TEST_F(MTCurlDownloaderTest, RestartAfterPartFailureResumesFromKeptPartFiles) {
    // The second part's connection breaks after 100,000 bytes on each of its 13 attempts.
    std::atomic<int> secondPartCuts{0};
    HttpTestServer server([&](const HttpRequest& request) {
        HttpResponse response = HttpTestServer::Bytes(request, *s_package);
        if (secondPartCuts < 13 && IsPartRequest(request, kSecondPartStart + 100000 * secondPartCuts)) {
            response.cutAfter = 100000;
            ++secondPartCuts;
        }
        return response;
    });
    auto downloader = Make(server.Url(DigestPath()), reports);
    downloader->Start();
    const auto all = reports.WaitForFinalEnd();
    downloader.reset();

    EXPECT_EQ(Reports::Ends(all), (Ends{{DL_CODE_RETRY, 18.0}, {DL_CODE_SUCCESS, 0.0}}));
    EXPECT_EQ(secondPartCuts, 13);
    EXPECT_TRUE(testing_support::ReadFile(target) == *s_package);
    EXPECT_FALSE(PartFilesLeft());

    // After the restart: no probe, nothing for the complete first part, the second part from its
    // kept 1,300,000 bytes.
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u + 1u + 13u + 1u);
    EXPECT_EQ(RangesOf(requests).back(), "GET bytes=11786260-20972519");

    // The kept bytes count: the second run's progress starts from them and reaches the end.
    const auto restart = std::find_if(all.begin(), all.end(), [](const Report& r) { return r.code == DL_CODE_RETRY; });
    std::vector<double> secondRun;
    for (auto it = restart; it != all.end(); ++it)
        if (it->code == DL_CODE_PROGRESS) secondRun.push_back(it->value);
    ASSERT_FALSE(secondRun.empty());
    EXPECT_GE(secondRun.front(), (kSecondPartStart + 1300000.0) / kTwoPartLength);
    EXPECT_GE(secondRun.back(), 0.99);
}

TEST_F(MTCurlDownloaderTest, ServerIgnoringRanges) {
    struct Case {
        std::size_t length;
        Ends ends;
    };
    // One part takes the whole answer; a second part must never take the file's first bytes as
    // its own, even where no digest would catch it.
    const std::vector<Case> cases = {
        {300000, {{DL_CODE_MD5, 0.0}, {DL_CODE_SUCCESS, 0.0}}},
        {kTwoPartLength, {{DL_CODE_RETRY, 23.0}, {DL_CODE_FAIL, 23.0}}},
    };
    for (const auto& testCase : cases) {
        const std::string package = testCase.length == kTwoPartLength ? *s_package : Package(testCase.length);
        HttpTestServer server([&](const HttpRequest& request) { return HttpTestServer::Bytes(request, package, false); });
        Reports local;
        auto downloader = Make(server.Url("/software/711"), local);
        downloader->Start();
        const auto all = local.WaitForFinalEnd();
        downloader.reset();
        EXPECT_EQ(Reports::Ends(all), testCase.ends) << testCase.length;
        if (testCase.ends.back().first == DL_CODE_SUCCESS) {
            EXPECT_TRUE(testing_support::ReadFile(target) == package);
        } else {
            EXPECT_FALSE(platform::PathExists(target));
        }
    }
}

TEST_F(MTCurlDownloaderTest, ProbeFailuresEndWithoutRestartOrPartFiles) {
    struct Case {
        int status;
        std::string length;
    };
    // 4,294,968,296 would pass as 1,000 bytes if cut to 32 bits.
    const std::vector<Case> cases = {
        {404, "0"}, {200, "255"}, {200, "2147483648"}, {200, "3000000000"}, {200, "4294968296"},
    };
    for (const auto& testCase : cases) {
        HttpTestServer server([&](const HttpRequest&) {
            HttpResponse response;
            response.status = testCase.status;
            response.sendLength = false;
            response.headers.push_back({"Content-Length", testCase.length});
            return response;
        });
        Reports local;
        auto downloader = Make(server.Url(DigestPath()), local);
        downloader->Start();
        const auto all = local.WaitForFinalEnd();
        downloader.reset();
        ASSERT_EQ(all.size(), 2u) << testCase.length;
        EXPECT_EQ(all[0].code, DL_CODE_START);
        EXPECT_EQ(all[1].code, DL_CODE_FAIL);
        EXPECT_EQ(all[1].value, 0.0);
        EXPECT_EQ(all[1].text, L"LibCurl");
        EXPECT_EQ(RangesOf(server.Requests()), std::vector<std::string>{"HEAD "}) << testCase.length;
        EXPECT_FALSE(PartFilesLeft());
    }
}

TEST_F(MTCurlDownloaderTest, EmptyTargetFailsAtOnce) {
    CMTCurlDownloader downloader(reports.Callback(), L"http://127.0.0.1:1/x/setup.exe", L"");
    downloader.Start();
    const auto all = reports.WaitForFinalEnd();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].code, DL_CODE_FAIL);
    EXPECT_EQ(all[1].value, 1.0);
    EXPECT_EQ(all[1].text, L"");
}

TEST_F(MTCurlDownloaderTest, BothPartsFailingReportTheFirstPartsCode) {
    HttpTestServer server([&](const HttpRequest& request) {
        HttpResponse response = HttpTestServer::Bytes(request, *s_package);
        if (IsPartRequest(request, 0)) {
            response = HttpResponse{};
            response.status = 500;
            response.reason = "Internal Server Error";
        } else if (request.method == "GET") {
            response.cutAfter = 1000;
        }
        return response;
    });
    auto downloader = Make(server.Url(DigestPath()), reports);
    downloader->Start();
    const auto all = reports.WaitForFinalEnd();
    downloader.reset();
    EXPECT_EQ(Reports::Ends(all), (Ends{{DL_CODE_RETRY, 22.0}, {DL_CODE_FAIL, 22.0}}));
    EXPECT_FALSE(platform::PathExists(target));
    // Attempts per run: 7 for a code that costs two points, 13 for a broken connection.
    const auto requests = server.Requests();
    EXPECT_EQ(std::count_if(requests.begin(), requests.end(), [](const HttpRequest& r) { return IsPartRequest(r, 0); }), 14);
    EXPECT_EQ(requests.size(), 1u + 2u * (7u + 13u));
}

TEST_F(MTCurlDownloaderTest, UnwritablePartsEndAsPartFailures) {
    const std::string package = Package(300000);
    HttpTestServer server([&](const HttpRequest& request) { return HttpTestServer::Bytes(request, package); });
    // A part file that cannot be opened, and a merged file that cannot be put in place.
    for (const std::wstring& blocked : {target + L"_0", target}) {
        Reports local;
        auto downloader = Make(server.Url("/software/711"), local);
        ASSERT_TRUE(platform::CreateFolder(blocked));
        folder.WriteFile(platform::FileNameOf(blocked) + L"/keep", "x");
        downloader->Start();
        const auto all = local.WaitForFinalEnd();
        downloader.reset();
        EXPECT_EQ(Reports::Ends(all), (Ends{{DL_CODE_RETRY, -2.0}, {DL_CODE_FAIL, -2.0}}));
        EXPECT_TRUE(platform::IsDirectory(blocked));
        std::filesystem::remove_all(platform::PathToNative(blocked));
    }
}

TEST_F(MTCurlDownloaderTest, StalledPartIsRetriedFromWhereItStopped) {
    bool stalled = false;
    HttpTestServer server([&](const HttpRequest& request) {
        HttpResponse response = HttpTestServer::Bytes(request, *s_package);
        if (!stalled && IsPartRequest(request, kSecondPartStart)) {
            stalled = true;
            // No body at all: libcurl averages the speed over several seconds, so any bytes would
            // hold the stall off longer than the limit.
            response.cutAfter = 0;
            response.stall = true;
        }
        return response;
    });
    auto downloader = Make(server.Url(DigestPath()), reports);
    downloader->SetStallSeconds(1);
    downloader->Start();
    const auto all = reports.WaitForFinalEnd();
    downloader.reset();
    EXPECT_EQ(Reports::Ends(all), (Ends{{DL_CODE_SUCCESS, 0.0}}));
    EXPECT_TRUE(testing_support::ReadFile(target) == *s_package);
    const auto ranges = RangesOf(server.Requests());
    EXPECT_EQ(std::count(ranges.begin(), ranges.end(), "GET bytes=10486260-20972519"), 2);
}

TEST_F(MTCurlDownloaderTest, PartsAtAnotherOffsetAreNeverWritten) {
    // No digest in the address: only the check of each answer keeps the wrong bytes out.
    for (int wrongAnswers : {1, 1000}) {
        SCOPED_TRACE(wrongAnswers);
        std::atomic<int> wrong{0};
        HttpTestServer server([&](const HttpRequest& request) {
            if (!IsPartRequest(request, kSecondPartStart) || wrong++ >= wrongAnswers)
                return HttpTestServer::Bytes(request, *s_package);
            HttpRequest earlier = request;
            earlier.headers["range"] = "bytes=" + std::to_string(kSecondPartStart - 1000) + "-";
            return HttpTestServer::Bytes(earlier, *s_package);
        });
        Reports local;
        auto downloader = Make(server.Url("/software/711"), local);
        downloader->Start();
        const auto all = local.WaitForFinalEnd();
        downloader.reset();
        if (wrongAnswers == 1) {
            EXPECT_EQ(Reports::Ends(all), (Ends{{DL_CODE_MD5, 0.0}, {DL_CODE_SUCCESS, 0.0}}));
            EXPECT_TRUE(testing_support::ReadFile(target) == *s_package);
        } else {
            EXPECT_EQ(Reports::Ends(all), (Ends{{DL_CODE_RETRY, 33.0}, {DL_CODE_FAIL, 33.0}}));
            EXPECT_FALSE(platform::PathExists(target));
        }
    }
}

TEST_F(MTCurlDownloaderTest, DestroyingMidTransferStopsAndJoinsEverything) {
    HttpTestServer server([&](const HttpRequest& request) {
        HttpResponse response = HttpTestServer::Bytes(request, *s_package);
        if (request.method == "GET") {
            response.cutAfter = 1000;
            response.stall = true;
        }
        return response;
    });
    auto downloader = Make(server.Url(DigestPath()), reports);
    downloader->Start();
    while (server.Requests().size() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    downloader.reset();
    for (const auto& report : reports.Snapshot()) EXPECT_LT(report.code, DL_CODE_SUCCESS);
    EXPECT_EQ(server.Requests().size(), 3u);
}

}  // namespace
