// The key tables and command lines of the package runner and the uninstaller runner, checked
// without starting any program.
#include <gtest/gtest.h>

#include "install/installer.h"
#include "install/uninstaller.h"
#include "report_log.h"
#include "settings/installer_settings.h"
#include "tests/support/log_capture.h"

namespace {

using testing_support::Report;
using testing_support::ReportLog;

struct LineCase {
    const wchar_t* line;
    std::vector<Report> reports;
    int result;
    bool decodedCleanly = true;
};

void ExpectReports(const std::vector<Report>& actual, const std::vector<Report>& expected,
                   const std::wstring& line) {
    ASSERT_EQ(actual.size(), expected.size()) << std::string(line.begin(), line.end());
    for (std::size_t at = 0; at < actual.size(); ++at) {
        EXPECT_EQ(actual[at].code, expected[at].code);
        EXPECT_DOUBLE_EQ(actual[at].value, expected[at].value);
        EXPECT_EQ(actual[at].text, expected[at].text);
    }
}

TEST(InstallerParseTest, EachKeyGivesItsReport) {
    const LineCase cases[] = {
        {L"Progress=0.5", {{2002, 0.5, L""}}, 0},
        {L"Progress=half", {{2002, 0, L""}}, 0},
        {L"InstPath=C:\\Kelvo Kids", {{3000, 0, L"C:\\Kelvo Kids"}}, 0},
        {L"State=Success", {{2003, 0, L""}}, 1},
        {L"State=  Success \r", {{2003, 0, L""}}, 1},
        {L"State=success", {}, 0},
        {L"State=Fail", {{2004, 0, L"安装包安装失败"}}, 1000},
        {L"State=Pending", {}, 0},
        {L"InstallVersion=1.2.3", {}, 0},
        {L"ExePath=/opt/k/Kelvo_Kids.exe", {{3001, 0, L"/opt/k/Kelvo_Kids.exe"}}, 0},
        {L"StartExe=/opt/k/a", {{3001, 0, L"/opt/k/a"}}, 0},
        {L"UninstExePath=/opt/k/u", {{3002, 0, L"/opt/k/u"}}, 0},
        {L"UninstExe=/opt/k/v", {{3002, 0, L"/opt/k/v"}}, 0},
        {L"UninstEp=/opt/k/uninst.ep", {{3003, 0, L"/opt/k/uninst.ep"}}, 0},
        {L"Error=磁盘已满", {{2004, 1000.0, L"磁盘已满"}}, 1000},
        {L"Error=", {{2004, 1000.0, L""}}, 1000},
        {L"TopShowDetention=-1", {{3007, 4294967295.0, L""}}, 0},
        {L"TopShowDetention=+-1", {{3007, 0, L""}}, 0},
        {L"TopShowDetention=1500", {{3007, 1500, L""}}, 0},
        {L"FinsihCloseDetention=200", {{3008, 200, L""}}, 0},
        {L"StartUrl=https://example.invalid/x", {{3004, 0, L"https://example.invalid/x"}}, 0},
        {L"StartupStyle=NonStartup", {{3005, 0, L""}}, 0},
        {L"StartupStyle= AutoStartup\r", {{3005, 1, L""}}, 0},
        {L"StartupStyle=UserStartup", {{3005, 2, L""}}, 0},
        {L"StartupStyle=Sometimes", {{3005, 0, L""}}, 0},
        {L"Message=你好", {{3009, 0, L"你好"}}, 0},
        {L"Message=", {{3009, 0, L""}}, 0},
        {L"Progressive=1", {}, 0},
        {L"progress=1", {}, 0},
        {L"", {}, 0},
        // Paths and addresses that did not decode cleanly are dropped; other text is not.
        {L"InstPath=/opt/\uFFFD", {}, 0, false},
        {L"ExePath=/opt/\uFFFD", {}, 0, false},
        {L"UninstEp=/opt/\uFFFD", {}, 0, false},
        {L"StartUrl=http://x/\uFFFD", {}, 0, false},
        {L"Message=\uFFFD", {{3009, 0, L"\uFFFD"}}, 0, false},
        {L"Error=\uFFFD", {{2004, 1000.0, L"\uFFFD"}}, 1000, false},
    };
    for (const auto& c : cases) {
        ReportLog log;
        CInstaller installer(log.Callback(), L"\"/x/p\"", L"", true, true, true);
        EXPECT_EQ(installer.Parse(c.line, c.decodedCleanly), c.result)
            << std::string(c.line, c.line + wcslen(c.line));
        ExpectReports(log.Reports(), c.reports, c.line);
    }
}

TEST(RunnerParseTest, FirstResultLineDecidesTheRun) {
    struct Case {
        std::vector<const wchar_t*> lines;
        std::vector<std::int32_t> installCodes;
        std::vector<std::int32_t> uninstallCodes;
    };
    const Case cases[] = {
        {{L"State=Fail", L"State=Success"}, {2004}, {5005}},
        {{L"State=Success", L"State=Fail", L"Error=late"}, {2003}, {5003}},
        {{L"Error=x", L"State=Success", L"Progress=0.5"}, {2004, 2002}, {5005, 5002}},
        {{L"State=Pending", L"State=Success"}, {2003}, {5003}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::vector<std::wstring>(c.lines.begin(), c.lines.end())));
        ReportLog installLog, uninstallLog;
        CInstaller installer(installLog.Callback(), L"\"/x/p\"", L"", true, true, true);
        CUninstaller uninstaller(uninstallLog.Callback(), L"/tmp/u", L"/opt/k");
        for (const wchar_t* line : c.lines) {
            installer.Parse(line);
            uninstaller.Parse(line);
        }
        EXPECT_EQ(installLog.Codes(), c.installCodes);
        EXPECT_EQ(uninstallLog.Codes(), c.uninstallCodes);
    }
}

TEST(InstallerParseTest, ExePathIsLoggedUnderItsFixedName) {
    testing_support::LogCapture capture;
    ReportLog log;
    CInstaller installer(log.Callback(), L"\"/x/p\"", L"", true, true, true);
    installer.Parse(L"ExePath=/opt/k/Kelvo_Kids.exe");
    auto lines = capture.LinesWith(L"ExePath: /opt/k/Kelvo_Kids.exe");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(L"(CInstaller::Parse)<0207>"), std::wstring::npos);
}

TEST(InstallerParseTest, LongTextIsCutTo771Characters) {
    ReportLog log;
    CInstaller installer(log.Callback(), L"\"/x/p\"", L"", true, true, true);
    installer.Parse(L"Message=" + std::wstring(2000, L'字'));
    ASSERT_EQ(log.Reports().size(), 1u);
    EXPECT_EQ(log.Reports()[0].text, std::wstring(771, L'字'));
}

TEST(InstallerParseTest, EncodingLineChoosesTheCodePage) {
    const std::pair<const wchar_t*, std::uint32_t> cases[] = {
        {L"Encode=UTF8", 65001}, {L"Encode= UTF8\r", 65001}, {L"Encode=ACP", 0},
        {L"Encode=936", 936},    {L"Encode=utf8", 0},        {L"Encode=-5", 0},
        {L"Encode=99999999999", 0},
    };
    for (const auto& [line, page] : cases) {
        ReportLog log;
        CInstaller installer(log.Callback(), L"\"/x/p\"", L"", true, true, true);
        installer.Parse(L"Encode=1252");
        EXPECT_EQ(installer.Parse(line), 0);
        EXPECT_EQ(installer.CodePage(), page) << std::string(line, line + wcslen(line));
        EXPECT_TRUE(log.Reports().empty());
    }
}

TEST(UninstallerParseTest, EachKeyGivesItsReport) {
    const LineCase cases[] = {
        {L"Progress=0.25", {{5002, 0.25, L""}}, 0},
        {L"Error=正在使用", {{5005, 0, L"正在使用"}}, 1000},
        {L"State=Success", {{5003, 0, L""}}, 1},
        {L"State= Success\r", {{5003, 0, L""}}, 1},
        {L"State=Fail", {{5005, 0, L"安装包卸载失败"}}, 1000},
        {L"State=FAIL", {}, 0},
        {L"InstPath=/opt/k", {}, 0},
        {L"Message=hello", {}, 0},
    };
    for (const auto& c : cases) {
        ReportLog log;
        CUninstaller uninstaller(log.Callback(), L"/tmp/u", L"/opt/k");
        EXPECT_EQ(uninstaller.Parse(c.line), c.result);
        ExpectReports(log.Reports(), c.reports, c.line);
    }
    ReportLog log;
    CUninstaller uninstaller(log.Callback(), L"/tmp/u", L"/opt/k");
    uninstaller.Parse(L"Encode=UTF8");
    EXPECT_EQ(uninstaller.CodePage(), 65001u);
    uninstaller.Parse(L"Encode=936");  // the uninstaller knows UTF8 and nothing else
    EXPECT_EQ(uninstaller.CodePage(), 0u);
}

class CommandLineTest : public testing::Test {
protected:
    void TearDown() override { InstallerSettings::Instance().InstCmd.clear(); }
};

TEST_F(CommandLineTest, PackageCommandLineHasItsOptionsInOrderAndTheFolderLast) {
    ReportLog log;
    CInstaller installer(log.Callback(), L"\"/tmp/d d/__Package_kelvoKids.exe\"",
                         L"/opt/Kelvo Kids", true, false, true);
    installer.processElevated = false;
    installer.installLanguage = L"zh-CN";
    InstallerSettings::Instance().InstCmd = L"-channel=7";
    EXPECT_EQ(installer.BuildCommandLine(),
              L"\"/tmp/d d/__Package_kelvoKids.exe\" /S -console=show -version=1.0.0"
              L" -adminact=true -authorizationact=false -dsc=true -ssc=false"
              L" -inslang=\"zh-CN\" -channel=7 -instdir=\"/opt/Kelvo Kids\" /D=/opt/Kelvo Kids");
}

TEST_F(CommandLineTest, EmptyFolderAndLanguageLeaveTheirOptionsOut) {
    ReportLog log;
    CInstaller installer(log.Callback(), L"\"/p\"", L"", false, true, false);
    EXPECT_EQ(installer.BuildCommandLine(),
              L"\"/p\" /S -console=show -version=1.0.0 -adminact=false -authorizationact=true"
              L" -dsc=false -ssc=true");
}

TEST_F(CommandLineTest, UninstallerProgramIsQuotedAndItsFolderTakesTheRest) {
    EXPECT_EQ(CUninstaller::BuildCommandLine(L"/tmp/my temp/kelvoKids_un_asa.exe", true, false,
                                             L"/opt/Kelvo Kids"),
              L"\"/tmp/my temp/kelvoKids_un_asa.exe\" /S -adminact=true -authorizationact=false"
              L" -console=show _?=/opt/Kelvo Kids");
}

}  // namespace
