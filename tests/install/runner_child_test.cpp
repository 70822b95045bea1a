// The package runner and the uninstaller runner against real programs: the demo package in its
// behaviours, and small shell scripts for output the demo does not make.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "install/installer.h"
#include "install/uninstaller.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "report_log.h"
#include "settings/installer_settings.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"

namespace {

using testing_support::ReportLog;
using testing_support::TempFolder;

const std::wstring kDemo = platform::PathFromNative(KELVO_DEMO_PACKAGE);

class RunnerTest : public testing::Test {
protected:
    void SetUp() override { platform::SetSleepDivisor(20); }
    void TearDown() override {
        platform::SetSleepDivisor(1);
        InstallerSettings::Instance().InstCmd.clear();
    }

    std::wstring CopyDemo(const std::wstring& name) {
        std::wstring path = folder.Join(name);
        EXPECT_TRUE(platform::CopyWholeFile(kDemo, path));
        return path;
    }

    std::wstring Script(const std::wstring& name, const std::string& body) {
        std::wstring path = folder.WriteFile(name, "#!/bin/sh\n" + body);
        platform::SetExecutable(path);
        return path;
    }

    // Runs the package with the demo options and waits for the run to end.
    void Install(const std::wstring& package, const std::string& demoOptions,
                 const std::wstring& installDir) {
        InstallerSettings::Instance().InstCmd =
            platform::PathFromNative("-demo=pace=0" + (demoOptions.empty() ? "" : "," + demoOptions));
        CInstaller installer(log.Callback(), L"\"" + package + L"\"", installDir, true, false, false);
        installer.Start();
    }

    void Uninstall(const std::wstring& uninstaller, const std::wstring& oldDir) {
        CUninstaller runner(log.Callback(), uninstaller, oldDir);
        runner.Start();
    }

    TempFolder folder;
    testing_support::ScopedEnvironment environment;
    ReportLog log;
};

TEST_F(RunnerTest, DemoPackageInstallsAndReportsItsValues) {
    const std::wstring package = CopyDemo(L"__Package_kelvoKids.exe");
    // Blanks in a row survive in -instdir, which /D= (split at blanks) cannot carry.
    const std::wstring target = folder.Join(L"Kelvo  Kids");
    InstallerSettings::Instance().InstCmd =
        L"-demo=pace=0,messages,start-url=https://example.invalid/hi,top-show=1500,"
        L"finish-close=+-1,startup=AutoStartup";
    {
        CInstaller installer(log.Callback(), L"\"" + package + L"\"", target, true, false, false);
        installer.installLanguage = L"zh-CN";
        installer.Start();
    }
    EXPECT_EQ(log.Phases(), (std::vector<std::int32_t>{2001, 2002, 3009, 2002, 3000, 2002, 3001, 3002,
                                                        3003, 3004, 3007, 3008, 3005, 3009, 2002, 2003}));
    EXPECT_DOUBLE_EQ(log.Reports()[1].value, 0);
    ASSERT_EQ(log.With(2003).size(), 1u);
    EXPECT_DOUBLE_EQ(log.With(2003)[0].value, 0);
    EXPECT_EQ(log.With(3000)[0].text, target);
    EXPECT_EQ(log.With(3003)[0].text, platform::JoinPath(target, L"uninst.ep"));
    EXPECT_EQ(log.With(3004)[0].text, L"https://example.invalid/hi");
    EXPECT_DOUBLE_EQ(log.With(3007)[0].value, 1500);
    EXPECT_DOUBLE_EQ(log.With(3008)[0].value, 0);
    EXPECT_DOUBLE_EQ(log.With(3005)[0].value, 1);
    EXPECT_EQ(log.With(3009)[0].text, L"正在安装 Kelvo Kids少儿编程");
    EXPECT_TRUE(platform::IsRegularFile(platform::JoinPath(target, L"Kelvo_Kids.exe")));
    EXPECT_EQ(testing_support::ReadFile(platform::JoinPath(target, L"config.ini")),
              std::optional<std::string>("[Install]\nLanguage=zh-CN\n"));
    // The folder reached the package whole, quoted after -instdir and unquoted after /D=.
    auto record = testing_support::ReadFile(platform::JoinPath(target, L"demo-install.ini"));
    ASSERT_TRUE(record);
    EXPECT_NE(record->find("instdir=" + platform::PathToNative(target) + "\n"), std::string::npos);
    EXPECT_NE(record->find("dsc=true\nssc=false\n"), std::string::npos);

    // Without the options the package states its progress and paths and nothing else.
    log.Clear();
    Install(package, "", target);
    EXPECT_EQ(log.Phases(), (std::vector<std::int32_t>{2001, 2002, 3000, 2002, 3001, 3002, 3003, 2002, 2003}));
}

TEST_F(RunnerTest, PackageOutcomesBecomeOneFinalReport) {
    struct Case {
        const char* options;
        std::int32_t code;
        double value;
        std::wstring text;
    };
    const Case cases[] = {
        {"fail", 2004, 0, L"安装包安装失败"},
        {"error=磁盘空间不足", 2004, 1000.0, L"磁盘空间不足"},
        {"fail,slow-exit=300", 2004, 0, L"安装包安装失败"},
        {"silent", 2003, 1.0, L""},
        {"silent,exit-code=7", 2003, 1.0, L""},
        {"no-result,exit-code=3", 2003, 1.0, L""},
        {"split", 2003, 0, L""},
        {"noise", 2003, 0, L""},
        {"flood=300", 2003, 0, L""},
        // A package that keeps writing after its result must still be able to end.
        {"trailing-flood=400,slow-exit=100", 2003, 0, L""},
        {"encode=936,error=安装失败", 2004, 1000.0, L"安装失败"},
    };
    const std::wstring package = CopyDemo(L"__Package_kelvoKids.exe");
    for (const auto& c : cases) {
        log.Clear();
        Install(package, c.options, folder.Join(L"product"));
        auto codes = log.Codes();
        ASSERT_GE(codes.size(), 3u) << c.options;
        EXPECT_EQ(codes[0], 2001) << c.options;
        EXPECT_EQ(log.With(2003).size() + log.With(2004).size(), 1u) << c.options;
        EXPECT_EQ(codes.back(), c.code) << c.options;
        EXPECT_DOUBLE_EQ(log.Reports().back().value, c.value) << c.options;
        EXPECT_EQ(log.Reports().back().text, c.text) << c.options;
    }
}

TEST_F(RunnerTest, MessagesAreDecodedInTheAnnouncedCodePage) {
    const std::wstring package = CopyDemo(L"__Package_kelvoKids.exe");
    for (const char* encoding : {"messages,encode=utf8", "messages,encode=936", "messages,encode=54936"}) {
        log.Clear();
        Install(package, encoding, folder.Join(L"product"));
        auto messages = log.With(3009);
        ASSERT_EQ(messages.size(), 2u) << encoding;
        EXPECT_EQ(messages[1].text, L"安装完成") << encoding;
    }
    log.Clear();
    Install(package, "long-line", folder.Join(L"product"));
    auto messages = log.With(3009);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, std::wstring(771, L'L'));
}

TEST_F(RunnerTest, PackagesThatCannotRunAreReportedAsNotStarted) {
    const std::wstring text = folder.WriteFile(L"not-a-program.exe", "just text\n");
    const std::wstring longDir = folder.Join(std::wstring(1000, L'd'));
    const std::wstring demo = CopyDemo(L"__Package_kelvoKids.exe");
    const std::pair<std::wstring, std::wstring> cases[] = {
        {folder.Join(L"missing.exe"), L""},
        {text, L""},
        {demo, longDir},  // the command line exceeds 1,023 characters
    };
    for (const auto& [package, dir] : cases) {
        log.Clear();
        Install(package, "", dir);
        EXPECT_EQ(log.Codes(), (std::vector<std::int32_t>{2001, 2002, 2004}));
        EXPECT_DOUBLE_EQ(log.Reports().back().value, 2.0);
    }
}

TEST_F(RunnerTest, DownloadedPackageGetsItsExecuteBit) {
    const std::wstring plain = folder.Join(L"plain.exe");
    auto bytes = testing_support::ReadFile(kDemo);
    ASSERT_TRUE(bytes);
    ASSERT_TRUE(platform::WriteFileAtomically(plain, *bytes));  // written without execute bits
    Install(plain, "", folder.Join(L"product"));
    EXPECT_EQ(log.Codes().back(), 2003);
    EXPECT_DOUBLE_EQ(log.Reports().back().value, 0);
}

TEST_F(RunnerTest, ScriptsWithAwkwardOutput) {
    struct Case {
        const char* body;
        std::vector<std::int32_t> codes;
        double lastValue;
        std::wstring lastText;
    };
    const Case cases[] = {
        {"exit 0\n", {2001, 2002, 2003}, 1.0, L""},
        {"exit 9\n", {2001, 2002, 2003}, 1.0, L""},
        // Written just before an immediate exit: still read.
        {"printf 'State=Fail'\n", {2001, 2002, 2004}, 0, L"安装包安装失败"},
        {"printf 'Progress=0.5\\nState=Success\\n'\n", {2001, 2002, 2002, 2003}, 0, L""},
        // A process left behind keeps the output open: the exit of the package ends the run.
        {"sleep 2 &\nprintf 'Progress=0.5\\n'\n", {2001, 2002, 2002, 2003}, 1.0, L""},
        // The first result decides, even when a later one arrives in the same read.
        {"printf 'State=Fail\\0\\377\\nState=Success\\n'\n", {2001, 2002, 2004}, 0, L"安装包安装失败"},
        {"head -c 300000 /dev/urandom | tr -d '\\n'\nprintf '\\nError=x\\n'\n", {2001, 2002, 2004},
         1000.0, L"x"},
        // Nobody reads its standard error and nobody writes to its standard input: neither may
        // keep the package waiting.
        {"head -c 300000 /dev/zero >&2\nprintf 'State=Success\\n'\n", {2001, 2002, 2003}, 0, L""},
        {"cat\nprintf 'State=Success\\n'\n", {2001, 2002, 2003}, 0, L""},
        // Killed before it stated anything: a failure, whatever it did.
        {"printf 'Progress=0.5\\n'\nkill -9 $$\n", {2001, 2002, 2002, 2004}, 0, L"安装包异常结束（信号 9）"},
    };
    int number = 0;
    for (const auto& c : cases) {
        log.Clear();
        const std::wstring script = Script(L"s" + std::to_wstring(number++) + L".sh", c.body);
        Install(script, "", L"");
        auto codes = log.Codes();
        // Binary noise may happen to contain report lines of no consequence; only the run's own
        // reports are compared.
        std::vector<std::int32_t> runCodes;
        for (auto code : codes)
            if (code >= 2001 && code <= 2004) runCodes.push_back(code);
        EXPECT_EQ(runCodes, c.codes) << c.body;
        EXPECT_DOUBLE_EQ(log.Reports().back().value, c.lastValue) << c.body;
        EXPECT_EQ(log.Reports().back().text, c.lastText) << c.body;
    }
}

TEST_F(RunnerTest, RunnerCanBeStartedAgain) {
    const std::wstring package = CopyDemo(L"__Package_kelvoKids.exe");
    InstallerSettings::Instance().InstCmd = L"-demo=pace=0";
    CInstaller installer(log.Callback(), L"\"" + package + L"\"", folder.Join(L"a"), true, true, true);
    installer.Start();
    installer.installDir = folder.Join(L"b");
    installer.Start();  // waits for the first run
    installer.Start();
    // Only the reports of finished runs are read after the runner is gone.
    EXPECT_TRUE(platform::IsDirectory(folder.Join(L"a")));
    EXPECT_TRUE(platform::IsDirectory(folder.Join(L"b")));
    EXPECT_NE(installer.CommandLine().find(L"/D=" + folder.Join(L"b")), std::wstring::npos);
}

TEST_F(RunnerTest, UninstallerRemovesThePreviousVersion) {
    const std::wstring target = folder.Join(L"old version");
    Install(CopyDemo(L"__Package_kelvoKids.exe"), "", target);
    ASSERT_TRUE(platform::IsRegularFile(platform::JoinPath(target, L"uninst.ep")));
    log.Clear();
    environment.Set("KELVO_DEMO_OPTIONS", "pace=0");
    const std::wstring copy = folder.Join(L"kelvoKids_un_asa.exe");
    ASSERT_TRUE(platform::CopyWholeFile(platform::JoinPath(target, L"uninst.ep"), copy));
    Uninstall(copy, target);
    auto codes = log.Phases();
    EXPECT_EQ(codes, (std::vector<std::int32_t>{5002, 5003}));
    EXPECT_DOUBLE_EQ(log.Reports()[0].value, 0);
    EXPECT_DOUBLE_EQ(log.Reports().back().value, 0);
    EXPECT_FALSE(platform::PathExists(target));
}

TEST_F(RunnerTest, UninstallerOutcomes) {
    struct Case {
        std::string body;  // empty: the demo uninstaller with the options below
        const char* options;
        std::vector<std::int32_t> phases;
        double lastValue;
        std::wstring lastText;
    };
    const Case cases[] = {
        {"", "pace=0,uninstall-fail,slow-exit=200", {5002, 5005}, 0, L"安装包卸载失败"},
        {"", "pace=0,uninstall-error=文件被占用", {5002, 5005}, 0, L"文件被占用"},
        {"", "pace=0,uninstall-no-result", {5002, 5003}, 1.0, L""},
        {"exit 4\n", "", {5002, 5003}, 1.0, L""},
        // A failure written just before the exit is not lost.
        {"printf 'State=Fail\\n'\n", "", {5002, 5005}, 0, L"安装包卸载失败"},
        // After a failure the uninstaller is read to its end; later lines still count, except a
        // second result, even in the same read.
        {"printf 'State=Fail\\n'\nsleep 0.2\nprintf 'Progress=0.9\\n'\n", "", {5002, 5005, 5002}, 0.9,
         L""},
        {"printf 'State=Fail\\nState=Success\\n'\n", "", {5002, 5005}, 0, L"安装包卸载失败"},
        {"kill -9 $$\n", "", {5002, 5005}, 0, L"卸载程序异常结束（信号 9）"},
    };
    int number = 0;
    for (const auto& c : cases) {
        log.Clear();
        environment.Set("KELVO_DEMO_OPTIONS", c.options);
        const std::wstring program = c.body.empty()
                                         ? CopyDemo(L"kelvoKids_un_asa.exe")
                                         : Script(L"u" + std::to_wstring(number++) + L".sh", c.body);
        Uninstall(program, folder.Join(L"nothing here"));
        EXPECT_EQ(log.Phases(), c.phases) << c.options << c.body;
        EXPECT_DOUBLE_EQ(log.Reports().back().value, c.lastValue) << c.options << c.body;
        EXPECT_EQ(log.Reports().back().text, c.lastText) << c.options << c.body;
    }
}

TEST_F(RunnerTest, UninstallerThatCannotRun) {
    Uninstall(folder.Join(L"gone.exe"), folder.Path());
    Uninstall(L"", folder.Path());
    const std::wstring text = folder.WriteFile(L"text.exe", "not a program");
    Uninstall(text, folder.Path());
    Uninstall(CopyDemo(L"kelvoKids_un_asa.exe"), folder.Join(std::wstring(1000, L'x')));
    auto reports = log.Reports();
    ASSERT_EQ(reports.size(), 6u);
    EXPECT_EQ(reports[0].code, 5004);
    EXPECT_DOUBLE_EQ(reports[0].value, 1.0);
    EXPECT_EQ(reports[0].text, L"可执行卸载文件不存在");
    EXPECT_EQ(reports[1].code, 5004);
    EXPECT_DOUBLE_EQ(reports[1].value, 1.0);
    for (std::size_t at : {2u, 4u}) {
        EXPECT_EQ(reports[at].code, 5002);
        EXPECT_EQ(reports[at + 1].code, 5004);
        EXPECT_DOUBLE_EQ(reports[at + 1].value, 2.0);
        EXPECT_EQ(reports[at + 1].text, L"");
    }
}

}  // namespace
