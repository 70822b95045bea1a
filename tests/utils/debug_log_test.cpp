#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <functional>
#include <regex>

#include "tests/support/log_capture.h"
#include "utils/debug_log.h"
#include "utils/text.h"
#include "utils/thread.h"

namespace {

const std::wregex kLinePattern(
    LR"(<P\d{5,}><T\d{5,}><\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}>\(([^)]*)\)<(\d{4,})>: (.*)\r\n)");

struct Sample {
    void Start() { DEBUG_LOG(L"DL_TYPE=%d url=%s name=%hs", 3, L"http://x/中", "narrow"); }
};

TEST(DebugLog, WritesTheFixedPrefixTheCallerAndItsArguments) {
    testing_support::LogCapture capture;
    Sample().Start();
    DEBUG_LOG_AT(L"CInstaller::Parse", 207, L"ExePath: %s", L"C:\\Kelvo_Kids.exe");
    auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 2u);
    std::wsmatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, kLinePattern)) << lines[0];
    EXPECT_EQ(match[1].str(), L"{anonymous}::Sample::Start");
    EXPECT_EQ(match[3].str(), L"DL_TYPE=3 url=http://x/中 name=narrow");
    ASSERT_TRUE(std::regex_match(lines[1], match, kLinePattern));
    EXPECT_EQ(match[1].str(), L"CInstaller::Parse");
    EXPECT_EQ(match[2].str(), L"0207");
    EXPECT_EQ(match[3].str(), L"ExePath: C:\\Kelvo_Kids.exe");
}

TEST(DebugLog, LongLinesAreWrittenWhole) {
    testing_support::LogCapture capture;
    std::wstring message(100000, L'x');
    DEBUG_LOG(L"%s", message.c_str());
    auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(message + L"\r\n"), std::wstring::npos);
}

TEST(DebugLog, NoArgumentCostsTheLine) {
    // Under the C locale, as a program starts, the C library cannot read a UTF-8 path as a
    // narrow argument; it is read as UTF-8, invalid bytes as U+FFFD.
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C");
    const std::pair<std::function<void()>, const wchar_t*> cases[] = {
        {[] { DEBUG_LOG(L"path=%hs", "/opt/安装"); }, L"path=/opt/安装"},
        {[] { DEBUG_LOG(L"%hs|%S|%hc", "a\xff", "b\xe5", 'c'); }, L"a\uFFFD|b\uFFFD|c"},
        {[] { DEBUG_LOG(L"[%-6hs][%5.2hs][%*d][%.*s]", "ab", "xyz", -4, 7, 2, L"wide"); }, L"[ab    ][   xy][7   ][wi]"},
        {[] { DEBUG_LOG(L"%I64d %Iu %ls %c %5.1f %%", -5ll, std::size_t{3}, L"长", L'字', 2.25); }, L"-5 3 长 字   2.2 %"},
        {[] { DEBUG_LOG(L"%s %hs", static_cast<const wchar_t*>(nullptr), static_cast<const char*>(nullptr)); }, L"(null) (null)"},
        {[] { int count = 7; DEBUG_LOG(L"%d%n!", 1, &count); }, L"1!"},
    };
    for (const auto& [log, expected] : cases) {
        testing_support::LogCapture capture;
        log();
        auto lines = capture.Lines();
        ASSERT_EQ(lines.size(), 1u) << expected;
        std::wsmatch match;
        ASSERT_TRUE(std::regex_match(lines[0], match, kLinePattern)) << lines[0];
        EXPECT_EQ(match[3].str(), expected);
    }
    std::setlocale(LC_CTYPE, saved.c_str());
}

TEST(DebugLog, TranslatesWindowsWideFormats) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"%s %hs %ls %ws", L"%ls %s %ls %ls"},
        {L"%S %hS %lS", L"%s %s %ls"},
        {L"%c %hc %C", L"%lc %c %c"},
        {L"%-10s|%.3s", L"%-10ls|%.3ls"},
        {L"%I64d %I64u %I32d %Id", L"%lld %llu %d %zd"},
        {L"100%% %d %5.2f %ld %x", L"100%% %d %5.2f %ld %x"},
        {L"trailing %", L"trailing %"},
    };
    for (auto [windows, library] : cases) EXPECT_EQ(Utils::ToLibraryWideFormat(windows), library) << windows;
}

TEST(DebugLog, NamesTheQualifiedFunction) {
    const std::pair<const char*, const wchar_t*> cases[] = {
        {"void CDownloadInstaller::Start()", L"CDownloadInstaller::Start"},
        {"static void Utils::Thread::CallBack(Utils::Thread*)", L"Utils::Thread::CallBack"},
        {"CDownloader::CDownloader(StatusCallback, std::wstring)", L"CDownloader::CDownloader"},
        {"std::basic_string<wchar_t> Utils::Trim(const std::wstring&)", L"Utils::Trim"},
        {"const char* A<B, C>::name() const", L"A<B, C>::name"},
        {"bool CMainWnd::OnClick(int)::<lambda(int)>", L"CMainWnd::OnClick"},
        {"int main(int, char**)", L"main"},
        {"void Foo::operator()(int)", L"Foo::operator()"},
    };
    for (auto [pretty, name] : cases) EXPECT_EQ(Utils::QualifiedFunctionName(pretty), name) << pretty;
}

TEST(DebugLog, WorkerThreadsAreBracketedByBeginAndEndLines) {
    testing_support::LogCapture capture;
    int argumentSeen = 0;
    int owner = 42;
    {
        Utils::Thread worker(&owner, L"ABDEF", [&](void* argument) {
            argumentSeen = *static_cast<int*>(argument);
            DEBUG_LOG_AT(L"Worker::Run", 1, L"working");
        });
        ASSERT_TRUE(worker.IsValid());
        worker.Resume();
        worker.Join();
        worker.Join();  // a second join is harmless
    }
    EXPECT_EQ(argumentSeen, 42);
    auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find(L"(Utils::Thread::CallBack)<0101>: THREAD BEGIN\r\n"), std::wstring::npos);
    EXPECT_NE(lines[1].find(L"working"), std::wstring::npos);
    EXPECT_NE(lines[2].find(L"(Utils::Thread::CallBack)<0107>: THREAD END\r\n"), std::wstring::npos);
}

TEST(Thread, AWorkerNeverResumedEndsWithoutRunningItsTask) {
    testing_support::LogCapture capture;
    std::atomic<bool> ran{false};
    {
        Utils::Thread unused(nullptr, L"ABDEF", [&](void*) { ran = true; });
        ASSERT_TRUE(unused.IsValid());
        unused.Join();
    }
    { Utils::Thread dropped(nullptr, L"ABDEF", [&](void*) { ran = true; }); }
    EXPECT_FALSE(ran);
    EXPECT_TRUE(capture.LinesWith(L"THREAD BEGIN").empty());
}

TEST(Thread, AWorkerMayEndItsOwnWrapper) {
    // The restart path: a task that destroys the wrapper running it must neither deadlock nor
    // touch freed memory.
    std::atomic<bool> done{false};
    auto* worker = new Utils::Thread*;
    *worker = new Utils::Thread(nullptr, L"", [&](void*) {
        (*worker)->Join();  // joining oneself returns at once
        delete *worker;
        done = true;
    });
    (*worker)->Resume();
    while (!done) std::this_thread::yield();
    delete worker;
}

}  // namespace
