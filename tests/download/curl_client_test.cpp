// The libcurl client against a loopback server: probes, the part file and how it resumes, and
// the failures a later attempt builds on.
#include "download/curl_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>

#include "platform/file_system.h"
#include "tests/download/download_test_support.h"
#include "tests/support/http_test_server.h"
#include "tests/support/temp_folder.h"

namespace {

using download_test::kMebibyte;
using download_test::Package;
using testing_support::HttpRequest;
using testing_support::HttpResponse;
using testing_support::HttpTestServer;

std::vector<HttpRequest> RequestsOf(const HttpTestServer& server, const std::string& method) {
    std::vector<HttpRequest> found;
    for (const auto& request : server.Requests())
        if (request.method == method) found.push_back(request);
    return found;
}

std::string RangeOf(const HttpRequest& request) {
    auto range = request.headers.find("range");
    return range == request.headers.end() ? "" : range->second;
}

class CurlClientTest : public testing::Test {
protected:
    void SetUp() override { CurlClient::SetLimits({5, 1}); }
    void TearDown() override { CurlClient::SetLimits({}); }

    // A client without an owner reports progress nowhere.
    std::unique_ptr<CurlClient> Client(const std::wstring& url) {
        auto client = std::make_unique<CurlClient>(url, target, nullptr);
        client->m_progressFn = nullptr;
        return client;
    }

    std::optional<std::string> Read(const std::wstring& path) { return testing_support::ReadFile(path); }

    testing_support::TempFolder folder;
    const std::wstring target = folder.Join(L"setup.exe");
    const std::wstring part = folder.Join(L"setup.exe.part");
};

TEST_F(CurlClientTest, LengthBelowOneMebibyteOrUnreportedStopsBeforeAnyTransfer) {
    struct Case {
        std::size_t size;
        bool lengthReported;
        int expected;
    };
    for (const Case& c : {Case{kMebibyte - 1, true, CurlClient::kLengthUnknown},
                          Case{kMebibyte, true, 0},
                          Case{2 * kMebibyte, false, CurlClient::kLengthUnknown}}) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes, length reported " << c.lengthReported);
        platform::RemoveFile(target);
        const std::string bytes = Package(c.size);
        HttpTestServer server([&](const HttpRequest& request) {
            HttpResponse response = HttpTestServer::Bytes(request, bytes);
            response.sendLength = c.lengthReported;
            return response;
        });
        auto client = Client(server.Url("/software/711"));
        EXPECT_EQ(client->Start(), c.expected);
        if (c.expected == 0) {
            EXPECT_EQ(Read(target), bytes);
        } else {
            EXPECT_TRUE(RequestsOf(server, "GET").empty());
            EXPECT_FALSE(platform::PathExists(target));
        }
    }
}

TEST_F(CurlClientTest, PartFileIsResumedFromItsSizeAndReplacesTheOldFile) {
    const std::string bytes = Package(2 * kMebibyte);
    struct Case {
        std::size_t partSize;
        std::string range;
    };
    for (const Case& c : {Case{0, ""}, Case{5000, "bytes=5000-"}}) {
        SCOPED_TRACE(c.partSize);
        folder.WriteFile(L"setup.exe", "an older package");
        folder.WriteFile(L"setup.exe.part", bytes.substr(0, c.partSize));
        HttpTestServer server([&](const HttpRequest& request) { return HttpTestServer::Bytes(request, bytes); });
        auto client = Client(server.Url("/software/711"));
        ASSERT_EQ(client->Start(), 0);
        EXPECT_EQ(client->m_resumeOffset, static_cast<std::int64_t>(c.partSize));
        const auto gets = RequestsOf(server, "GET");
        ASSERT_EQ(gets.size(), 1u);
        EXPECT_EQ(RangeOf(gets[0]), c.range);
        EXPECT_EQ(Read(target), bytes);
        EXPECT_FALSE(platform::PathExists(part));
    }
}

// What arrived before a break or a stall stays for the next call, which asks only for the rest
// and skips the probes, whose answers it still has. (A stall after some bytes takes libcurl's
// speed window of several seconds to notice, so the stall here comes before the first byte.)
TEST_F(CurlClientTest, InterruptedTransferKeepsItsBytesForTheNextCall) {
    const std::string bytes = Package(2 * kMebibyte);
    struct Case {
        std::size_t arrived;
        bool stall;
        int expected;
    };
    for (const Case& c : {Case{1536 * 1024, false, CURLE_PARTIAL_FILE}, Case{0, true, CURLE_OPERATION_TIMEDOUT}}) {
        SCOPED_TRACE(c.stall ? "stall" : "break");
        std::atomic<int> gets{0};
        HttpTestServer server([&](const HttpRequest& request) {
            HttpResponse response = HttpTestServer::Bytes(request, bytes);
            if (request.method == "GET" && gets++ == 0) {
                response.cutAfter = c.arrived;
                response.stall = c.stall;
            }
            return response;
        });
        auto client = Client(server.Url("/software/711"));
        EXPECT_EQ(client->Start(), c.expected);
        EXPECT_EQ(platform::FileSize(part), c.arrived);
        EXPECT_FALSE(platform::PathExists(target));

        ASSERT_EQ(client->Start(), 0);
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 3u);
        EXPECT_EQ(requests[0].method, "HEAD");
        EXPECT_EQ(RangeOf(requests[2]), c.arrived ? "bytes=" + std::to_string(c.arrived) + "-" : "");
        EXPECT_EQ(Read(target), bytes);
        platform::RemoveFile(target);
    }
}

TEST_F(CurlClientTest, WholeBodyAnsweringAResumeDropsThePartFileForTheNextCall) {
    const std::string bytes = Package(2 * kMebibyte);
    folder.WriteFile(L"setup.exe.part", bytes.substr(0, 5000));
    HttpTestServer server(
        [&](const HttpRequest& request) { return HttpTestServer::Bytes(request, bytes, false); });
    auto client = Client(server.Url("/software/711"));
    // Never appended to the kept bytes; the server will not resume them, so they go.
    EXPECT_EQ(client->Start(), CURLE_RANGE_ERROR);
    EXPECT_FALSE(platform::PathExists(part));
    EXPECT_FALSE(platform::PathExists(target));
    EXPECT_EQ(client->Start(), 0);
    EXPECT_EQ(Read(target), bytes);
    const auto gets = RequestsOf(server, "GET");
    ASSERT_EQ(gets.size(), 2u);
    EXPECT_EQ(RangeOf(gets[1]), "");
}

TEST_F(CurlClientTest, FailuresLeaveTheFinalFileAlone) {
    const std::string bytes = Package(2 * kMebibyte);
    HttpTestServer server([&](const HttpRequest& request) {
        if (request.method == "HEAD") return HttpTestServer::Bytes(request, bytes);
        HttpResponse refused;
        refused.status = 403;
        refused.reason = "Forbidden";
        return refused;
    });
    folder.WriteFile(L"setup.exe", "an older package");
    auto client = Client(server.Url("/software/711"));
    EXPECT_EQ(client->Start(), CURLE_HTTP_RETURNED_ERROR);
    EXPECT_EQ(Read(target), "an older package");
    EXPECT_EQ(platform::FileSize(part), 0u);

    // A folder that is a file cannot hold the part file.
    folder.WriteFile(L"plain", "x");
    CurlClient blocked(server.Url("/software/711"), folder.Join(L"plain/setup.exe"), nullptr);
    blocked.m_progressFn = nullptr;
    EXPECT_EQ(blocked.Start(), CurlClient::kPartFileNotOpened);
    EXPECT_FALSE(blocked.m_errorText.empty());
}

TEST_F(CurlClientTest, RedirectIsResolvedBeforeTheTransfer) {
    const std::string bytes = Package(kMebibyte + 10);
    HttpTestServer server([&](const HttpRequest& request) {
        if (request.path == "/latest") {
            HttpResponse moved;
            moved.status = 302;
            moved.reason = "Found";
            moved.headers.push_back({"Location", "/files/0123/setup.exe"});
            return moved;
        }
        return HttpTestServer::Bytes(request, bytes);
    });
    auto client = Client(server.Url("/latest"));
    ASSERT_EQ(client->Start(), 0);
    EXPECT_EQ(client->m_realUrl, "http://127.0.0.1:" + std::to_string(server.Port()) + "/files/0123/setup.exe");
    const auto gets = RequestsOf(server, "GET");
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_EQ(gets[0].path, "/files/0123/setup.exe");
    EXPECT_EQ(Read(target), bytes);
}

// The library speaks more than the installer may: a local file is never copied as the package.
TEST_F(CurlClientTest, LocalFileUrlIsNotFetched) {
    const std::wstring source = folder.WriteFile(L"安装包.bin", Package(kMebibyte + 1));
    auto client = Client(L"file://" + source);
    EXPECT_NE(client->Start(), 0);
    EXPECT_FALSE(platform::PathExists(target));
}

TEST_F(CurlClientTest, ProgressCountsResumedBytesAndIsNeverZero) {
    struct Case {
        double fileLength;
        std::int64_t resumeOffset;
        curl_off_t dltotal;
        curl_off_t dlnow;
        std::optional<double> percent;
    };
    const double length = 3.0 * kMebibyte;
    const Case cases[] = {
        {length, 5000, static_cast<curl_off_t>(length) - 5000, 1000, 6000 / length * 100},
        {length, 0, static_cast<curl_off_t>(length), 0, std::nullopt},
        // At exactly the threshold the length counts as not known: libcurl's totals decide.
        {static_cast<double>(kMebibyte), 0, 400, 100, 25.0},
        {-1.0, 0, 0, 100, std::nullopt},
    };
    static std::vector<double> received;
    auto client = Client(L"http://127.0.0.1:1/none");
    client->m_progressFn = [](void*, double, double reserved, double percent) {
        EXPECT_EQ(reserved, 0.0);
        received.push_back(percent);
    };
    for (const Case& c : cases) {
        received.clear();
        client->m_fileLength = c.fileLength;
        client->m_resumeOffset = c.resumeOffset;
        client->m_lastProgressTime = 0;
        EXPECT_EQ(CurlClient::ProgressCallback(client.get(), c.dltotal, c.dlnow, 0, 0), 0);
        if (c.percent) {
            ASSERT_EQ(received.size(), 1u);
            EXPECT_DOUBLE_EQ(received[0], *c.percent);
        } else {
            EXPECT_TRUE(received.empty());
        }
    }

    // Within the second of the last evaluation nothing is reported; a stop request aborts.
    received.clear();
    client->m_fileLength = length;
    client->m_lastProgressTime = std::chrono::duration_cast<std::chrono::seconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count() + 60;
    EXPECT_EQ(CurlClient::ProgressCallback(client.get(), 100, 50, 0, 0), 0);
    EXPECT_TRUE(received.empty());
    client->m_stop = true;
    EXPECT_EQ(CurlClient::ProgressCallback(client.get(), 100, 50, 0, 0), 1);
}

}  // namespace
