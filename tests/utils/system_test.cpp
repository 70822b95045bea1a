#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/network.h"
#include "platform/os_version.h"
#include "tests/support/log_capture.h"
#include "utils/message_pump.h"
#include "utils/network.h"
#include "utils/stopwatch.h"
#include "utils/system_info.h"
#include "utils/text.h"

#include "tests/support/wine.h"

namespace {

struct FakeSystem : platform::OsVersionProvider {
    platform::NtVersionNumbers numbers;
    bool r2 = false, hasQuery = true, queryWorks = true, wow64 = false, native64 = true;
    platform::NtVersionNumbers GetNtVersionNumbers() const override { return numbers; }
    bool IsServerR2() const override { return r2; }
    bool HasWow64Query() const override { return hasQuery; }
    bool QueryWow64(bool& is64) const override {
        is64 = wow64;
        return queryWorks;
    }
    bool NativeArchitectureIs64() const override { return native64; }
};

struct ProviderScope {
    explicit ProviderScope(const platform::OsVersionProvider* provider)
        : previous(platform::SetOsVersionProvider(provider)) {}
    ~ProviderScope() { platform::SetOsVersionProvider(previous); }
    const platform::OsVersionProvider* previous;
};

TEST(SystemInfo, NamesEveryVersion) {
    struct Case { unsigned major, minor, build; bool r2; const wchar_t* name; };
    const Case cases[] = {
        {0, 0, 0, false, L"XP-"}, {4, 9, 0, false, L"XP-"}, {5, 0, 0, false, L"2K"},
        {5, 1, 0, false, L"XP"}, {5, 2, 0, false, L"Server 2003"}, {5, 2, 0, true, L"Server 2003 R2"},
        {5, 3, 0, false, L"XP+"}, {6, 0, 0, false, L"Vista"}, {6, 1, 0, false, L"7"},
        {6, 2, 0, false, L"8"}, {6, 3, 0, false, L"8.1"}, {6, 4, 0, false, L"8.1+"},
        {10, 0, 22000, false, L"10"}, {10, 1, 0, false, L"10+"},
        {11, 0, 0xF0005AF0, false, L"11.0.23280"}, {7, 2, 1, false, L"7.2.1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utils::VersionNameFor(c.major, c.minor, c.build, c.r2), c.name) << c.major << "." << c.minor;
}

TEST(SystemInfo, AsksTheProvider) {
    FakeSystem system;
    ProviderScope scope(&system);
    std::wstring family, version;
    system.numbers = {true, true, 10, 0, 22631};  // Windows 11 still says 10.0
    Utils::GetOsVersionName(family, version);
    EXPECT_EQ(family, L"Windows");
    EXPECT_EQ(version, L"10");
    system.numbers = {true, false, 10, 0, 0};      // no version export
    Utils::GetOsVersionName(family, version);
    EXPECT_EQ(version, L"XP-");
    system.numbers = {false, true, 10, 0, 0};      // no system library
    Utils::GetOsVersionName(family, version);
    EXPECT_EQ(version, L"XP-");

    system.wow64 = true;
    EXPECT_TRUE(Utils::IsWow64());
    system.queryWorks = false;                      // a failing query asks the architecture
    EXPECT_TRUE(Utils::IsWow64());
    system.native64 = false;
    EXPECT_FALSE(Utils::IsWow64());
    system.hasQuery = false;
    system.native64 = true;
    EXPECT_FALSE(Utils::IsWow64());
}

struct FakeManager : platform::NetworkListManager {
    static inline std::uint32_t flags = 0;
    static inline bool internet = false;
    std::uint32_t GetConnectivity() override { return flags; }
    bool IsConnectedToInternet() override { return internet; }
};

TEST(Network, CombinesConnectivityAndStatus) {
    testing_support::LogCapture capture;
    auto previous = platform::SetNetworkListManagerFactory([]() -> platform::NetworkListManager* { return nullptr; });
    EXPECT_EQ(Utils::CheckNetwork(), 0u);  // no manager: the check is unavailable

    platform::SetNetworkListManagerFactory([]() -> platform::NetworkListManager* { return new FakeManager; });
    FakeManager::flags = 0;
    EXPECT_EQ(Utils::CheckNetwork(), 0x10000u);
    FakeManager::flags = platform::kConnectivityIpv4LocalNetwork;
    FakeManager::internet = false;
    EXPECT_EQ(Utils::CheckNetwork(), 0x20020u);
    FakeManager::flags = platform::kConnectivityIpv4Internet | platform::kConnectivityIpv6Internet;
    FakeManager::internet = true;
    EXPECT_EQ(Utils::CheckNetwork(), 0x0440u);
    platform::SetNetworkListManagerFactory(previous);

    EXPECT_EQ(capture.LinesWith(L"(Utils::CheckNetwork)<0245>: GetConnectivity 0\r\n").size(), 1u);
    EXPECT_EQ(capture.LinesWith(L"(Utils::CheckNetwork)<0254>: get_IsConnectedToInternet:0\r\n").size(), 1u);
}

TEST(Text, ConvertsAndTrims) {
    EXPECT_EQ(Utils::MultiByteToWide("\xD6\xD0", 936), L"中");
    EXPECT_EQ(Utils::MultiByteToWide("\xD6", 936), L"");
    EXPECT_EQ(Utils::WideToMultiByte(L"中", 65001), "\xE4\xB8\xAD");
    EXPECT_EQ(Utils::Utf8ToWide("ok\xFF"), L"");
    EXPECT_EQ(Utils::ToWString(4294967295u), L"4294967295");
    EXPECT_EQ(Utils::Trim(L" \t\r\n Success \r"), L"Success");
    EXPECT_EQ(Utils::TrimLeft(L"  a "), L"a ");
    EXPECT_EQ(Utils::TrimRight(L"  a "), L"  a");
    EXPECT_EQ(Utils::ReplaceAll(L"/${ROUTE}/x/${ROUTE}", L"${ROUTE}", L"r"), L"/r/x/r");
    EXPECT_EQ(Utils::ReplaceAll(L"aaa", L"aa", L"a"), L"a");       // searches again from the start
    EXPECT_EQ(Utils::ReplaceAll(L"ab", L"a", L"xa"), L"ab");      // would never end: refused
    EXPECT_EQ(Utils::ReplaceAll(L"ab", L"", L"x"), L"ab");

    Utils::Stopwatch watch;
    EXPECT_EQ(watch.Elapsed(), 0.0);
    watch.Start();
    EXPECT_GE(watch.Elapsed(), 0.0);
    watch.Stop();
    EXPECT_EQ(watch.Elapsed(), 0.0);
}

}  // namespace

namespace {

struct ScriptedSource : Utils::MessageSource {
    std::vector<Utils::PumpStep> steps;
    bool windowExists = true;
    int pumped = 0;
    bool WindowExists(Utils::WindowHandle) override { return windowExists; }
    Utils::PumpStep PumpOne(std::uint32_t wait) override {
        EXPECT_LE(wait, 101u);
        if (pumped < static_cast<int>(steps.size())) return steps[pumped++];
        ++pumped;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return Utils::PumpStep::Dispatched;
    }
};

TEST(MessagePump, StopsByTimeQuitOrAVanishedWindow) {
    int window = 0;
    ScriptedSource source;
    Utils::SetMessageSource(&source);
    EXPECT_TRUE(Utils::PumpMessages(&window));
    EXPECT_GT(source.pumped, 1);

    source.pumped = 0;
    source.steps = {Utils::PumpStep::Dispatched, Utils::PumpStep::Quit};
    EXPECT_FALSE(Utils::PumpMessages(nullptr));
    EXPECT_EQ(source.pumped, 2);

    source.windowExists = false;
    EXPECT_FALSE(Utils::PumpMessages(&window));
    Utils::SetMessageSource(nullptr);
    EXPECT_TRUE(Utils::PumpMessages(nullptr));  // without a window system the time just passes
}

TEST(Identity, NamesTheConsoleUserAndKnowsStrangers) {
    std::wstring user;
    ASSERT_TRUE(Utils::GetConsoleUserName(user));
    EXPECT_FALSE(user.empty());
    EXPECT_FALSE(Utils::IsAdminAccount(L"no-such-user-kelvo"));
    EXPECT_FALSE(Utils::IsAdminAccount(L""));
    // Root, as the tests run in CI, is an administrator account with elevated rights.
    // Wine runs every program elevated, but its account database names no administrator.
    if (Utils::IsProcessAdmin() && !std::getenv("SUDO_USER") && !testing_support::RunningUnderWine()) {
        EXPECT_TRUE(Utils::IsAdminAccount(user));
    }
}

}  // namespace
