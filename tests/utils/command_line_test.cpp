#include <gtest/gtest.h>

#include "utils/command_line.h"

namespace {

using Arguments = std::vector<std::wstring>;

TEST(CommandLine, SplitsByTheWindowsQuotingRules) {
    struct Case {
        std::wstring line;
        Arguments expected;
    };
    const Case cases[] = {
        {L"setup.exe", {L"setup.exe"}},
        {L"\"C:\\Program Files\\a.exe\" x", {L"C:\\Program Files\\a.exe", L"x"}},
        // The program path takes backslashes and quotes literally up to its closing quote.
        {L"\"C:\\dir\\\" next", {L"C:\\dir\\", L"next"}},
        {L"a.exe  one\t two ", {L"a.exe", L"one", L"two"}},
        {L"a.exe \"two words\" x\"y z\"w", {L"a.exe", L"two words", L"xy zw"}},
        {L"a.exe C:\\path\\ \\\\server", {L"a.exe", L"C:\\path\\", L"\\\\server"}},
        {L"a.exe a\\\\\"b c\"", {L"a.exe", L"a\\b c"}},      // 2n backslashes: n, quote toggles
        {L"a.exe a\\\\\\\"b", {L"a.exe", L"a\\\"b"}},        // 2n+1: n and a literal quote
        {L"a.exe \"\"", {L"a.exe", L""}},                      // an empty quoted argument
        {L"a.exe \"a\"\"b c\"", {L"a.exe", L"a\"b", L"c"}},    // "" in quotes: a quote, quotes end
        {L"a.exe /D=C:\\My Apps", {L"a.exe", L"/D=C:\\My", L"Apps"}},
        {L"a.exe \"unterminated arg", {L"a.exe", L"unterminated arg"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Utils::SplitCommandLine(c.line), c.expected) << c.line;
    EXPECT_TRUE(Utils::SplitCommandLine(L"").empty());
}

TEST(CommandLine, MapsOptionsAndKeepsTheFirstOfRepeatedKeys) {
    auto options = Utils::ParseCommandLine(
        L"\"C:\\inst.exe\" -downloadtype=3 -downloadtype=7 -instcmd=\"/x=1 /y\" -flag /S -a=b=c -Case=1");
    EXPECT_EQ(options.at(L"C:\\inst.exe"), L"");
    EXPECT_EQ(options.at(L"-downloadtype"), L"3");
    EXPECT_EQ(options.at(L"-instcmd"), L"/x=1 /y");
    EXPECT_EQ(options.at(L"-flag"), L"");
    EXPECT_EQ(options.at(L"/S"), L"");
    EXPECT_EQ(options.at(L"-a"), L"b=c");
    EXPECT_EQ(options.count(L"-case"), 0u);  // keys are compared exactly
    EXPECT_TRUE(Utils::ParseCommandLine(L"").empty());

    // Arguments the system has already split follow the same rules.
    auto mapped = Utils::MapArguments({L"/opt/inst", L"-language=2", L"-language=5", L"plain=x"});
    EXPECT_EQ(mapped.at(L"-language"), L"2");
    EXPECT_EQ(mapped.at(L"plain=x"), L"");
}

}  // namespace
