// Each engine destroyed while it waits for its first answer, while the body arrives and while it
// checks the finished package: it stops within moments, joins every thread and reports nothing
// once its destruction has begun, above all no success that would start the package.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <thread>

#include "download/create_downloader.h"
#include "download/curl_client.h"
#include "platform/clock.h"
#include "tests/download/download_test_support.h"
#include "tests/support/http_test_server.h"
#include "tests/support/temp_folder.h"

namespace {

using testing_support::HttpRequest;
using testing_support::HttpResponse;
using testing_support::HttpTestServer;

enum class Moment { kFirstAnswer, kBody, kCheck };

void PrintTo(Moment moment, std::ostream* out) {
    *out << (moment == Moment::kFirstAnswer ? "first answer" : moment == Moment::kBody ? "body" : "check");
}

// Reports, and a pause inside the digest note so that the owner can let go meanwhile.
class StopProbe {
public:
    StatusCallback Callback() {
        return [this](std::int32_t code, double, const wchar_t*) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_codes.push_back(code);
            if (m_pauseInNote && code == DL_CODE_MD5) {
                m_inNote = true;
                m_changed.notify_all();
                m_changed.wait(lock, [this] { return m_destroying; });
                // The owner's destructor is under way meanwhile.
                lock.unlock();
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        };
    }
    void PauseInNote() { m_pauseInNote = true; }
    void WaitForNote() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(30), [this] { return m_inNote; });
    }
    // Codes reported so far; marks the start of the destruction for a paused note.
    std::size_t Destroying() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_destroying = true;
        m_changed.notify_all();
        return m_codes.size();
    }
    std::vector<std::int32_t> Codes() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_codes;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::int32_t> m_codes;
    bool m_pauseInNote = false;
    bool m_inNote = false;
    bool m_destroying = false;
};

class EngineStopTest : public testing::TestWithParam<std::tuple<int, Moment>> {
protected:
    void SetUp() override {
        // No wait of the engines' own ends a stalled transfer during the test.
        CurlClient::SetLimits({60, 600});
    }
    void TearDown() override { CurlClient::SetLimits({}); }

    testing_support::TempFolder folder;
};

TEST_P(EngineStopTest, DestructionStopsAtOnceAndReportsNothingMore) {
    const auto [engine, moment] = GetParam();
    const std::string package = download_test::Package(2 * download_test::kMebibyte);
    std::atomic<bool> bodyStarted{false};
    HttpTestServer server([&](const HttpRequest& request) {
        HttpResponse response = HttpTestServer::Bytes(request, package);
        if (moment == Moment::kBody && request.method == "GET") {
            response.cutAfter = download_test::kMebibyte / 2;
            response.stall = true;
            bodyStarted = true;
        }
        return response;
    });
    // Takes connections into its queue and never answers them.
    platform::LoopbackListener silent;
    ASSERT_TRUE(silent.Listen());
    const std::wstring url = moment == Moment::kFirstAnswer
                                 ? L"http://127.0.0.1:" + std::to_wstring(silent.Port()) + L"/software/711"
                                 : server.Url("/software/711");  // no digest: a note precedes the end

    StopProbe probe;
    if (moment == Moment::kCheck) probe.PauseInNote();
    auto downloader = CreateDownloader(engine, probe.Callback(), url, folder.Join(L"setup.exe"));
    downloader->Start();
    switch (moment) {
        case Moment::kFirstAnswer:
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            break;
        case Moment::kBody:
            while (!bodyStarted) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            break;
        case Moment::kCheck:
            probe.WaitForNote();
            break;
    }
    const std::size_t before = probe.Destroying();
    const auto start = std::chrono::steady_clock::now();
    downloader.reset();
    const auto took = std::chrono::steady_clock::now() - start;
    // Not a speed measure: the waits the engines would otherwise sit out are 30 s and more.
    EXPECT_LT(took, std::chrono::seconds(5));
    const auto codes = probe.Codes();
    // Only the paused note itself may be counted after the mark; nothing follows it.
    EXPECT_LE(codes.size(), before + (moment == Moment::kCheck ? 1u : 0u));
    EXPECT_EQ(std::count(codes.begin(), codes.end(), DL_CODE_SUCCESS), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(probe.Codes(), codes);
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineStopTest,
                         testing::Combine(testing::Values(1, 2, 3),
                                          testing::Values(Moment::kFirstAnswer, Moment::kBody, Moment::kCheck)),
                         [](const testing::TestParamInfo<std::tuple<int, Moment>>& info) {
                             const int engine = std::get<0>(info.param);
                             const Moment moment = std::get<1>(info.param);
                             return std::string(engine == 2 ? "WinHttp" : engine == 3 ? "TwoPartCurl" : "Curl") +
                                    (moment == Moment::kFirstAnswer ? "WaitingForTheFirstAnswer"
                                     : moment == Moment::kBody     ? "DuringTheBody"
                                                                   : "DuringTheCheck");
                         });

}  // namespace
