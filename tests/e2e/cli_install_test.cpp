// kelvo-cli install, and the installer's unattended mode, as a person runs them: their printed
// reports and their exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "tests/support/http_test_server.h"
#include "tests/support/program_run.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"
#include "utils/command_line.h"
#include "utils/digest.h"
#include "utils/text.h"
#ifndef _WIN32
#include "skinui/render/image.h"
#include "tests/support/screen_dump.h"
#endif

namespace {

using testing_support::HttpRequest;
using testing_support::HttpResponse;
using testing_support::HttpTestServer;
using testing_support::TempFolder;

const std::wstring kDemo = platform::PathFromNative(KELVO_DEMO_PACKAGE);
const std::wstring kCli = platform::PathFromNative(KELVO_CLI);
const std::wstring kInstaller = platform::PathFromNative(KELVO_INSTALLER);

using CliRun = testing_support::ProgramRun;

CliRun RunCli(const std::wstring& arguments, const std::wstring& command = L"install") {
    CliRun run = testing_support::RunProgram(L"\"" + kCli + L"\" " + command + L" " + arguments);
    EXPECT_TRUE(run.started);
    return run;
}

class CliInstallTest : public testing::Test {
protected:
    // The records (key store, analytics, default folder) stay inside the test's home.
    void SetUp() override {
        environment.Set("TMPDIR", temp.NativePath());
        environment.Set("KELVO_DEMO_OPTIONS", "pace=0");
        environment.Set("XDG_CONFIG_HOME", platform::PathToNative(home.Join(L"config")));
        environment.Set("XDG_DATA_HOME", platform::PathToNative(home.Join(L"data")));
        environment.Set("HOME", home.NativePath());
    }
    std::wstring Arguments(const std::string& path, const std::wstring& dir) const {
        return L"--engine 2 --url " + server.Url(path) + L" --dir \"" + dir + L"\"";
    }

    // Filled before the server starts: its connection threads read them.
    std::string package = *testing_support::ReadFile(kDemo);
    std::string digest = Utils::GetFileMd5(platform::PathToNative(kDemo));
    TempFolder folder;
    TempFolder temp;
    TempFolder home;
    testing_support::ScopedEnvironment environment;
    HttpTestServer server{[this](const HttpRequest& request) {
        if (request.path == "/" + digest + "/kelvoKids_setup.exe" ||
            request.path == "/0123456789abcdef0123456789abcdef/kelvoKids_setup.exe")
            return HttpTestServer::Bytes(request, package);
        HttpResponse missing;
        missing.status = 404;
        missing.reason = "Not Found";
        return missing;
    }};
};

TEST_F(CliInstallTest, InstallationPrintsEveryReportAndExitsByTheLastOne) {
    environment.Set("KELVO_DEMO_OPTIONS", "pace=0,messages");
    const std::wstring dir = folder.Join(L"Kelvo Kids");
    CliRun run = RunCli(Arguments("/" + digest + "/kelvoKids_setup.exe", dir));
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.front(), "1001 1 ");
    EXPECT_TRUE(run.Has("1003 0 WinHttp"));
    EXPECT_TRUE(run.Has("3003 0 " + Utils::WideToUtf8(platform::JoinPath(dir, L"uninst.ep"))));
    EXPECT_TRUE(run.Has("3009 0 安装完成"));
    EXPECT_EQ(run.lines.back(), "2003 0 ");

    // The recorded uninstaller goes first; when it fails the job ends there.
    environment.Set("KELVO_DEMO_OPTIONS", "pace=0,uninstall-error=程序正在运行");
    const std::wstring uninstaller = L" --uninstaller \"" + platform::JoinPath(dir, L"uninst.ep") + L"\"";
    run = RunCli(Arguments("/" + digest + "/kelvoKids_setup.exe", dir) + uninstaller);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.lines.front(), "5002 0 ");
    EXPECT_EQ(run.lines.back(), "5005 0 程序正在运行");
    EXPECT_FALSE(run.Has("1001 1 "));

    environment.Set("KELVO_DEMO_OPTIONS", "pace=0");
    run = RunCli(Arguments("/" + digest + "/kelvoKids_setup.exe", dir) + uninstaller);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.lines.front(), "5002 0 ");
    EXPECT_TRUE(run.Has("5003 0 "));
    EXPECT_EQ(run.lines.back(), "2003 0 ");
}

TEST_F(CliInstallTest, PackageRunsToItsEndWhenTheInstallerDies) {
    environment.Set("KELVO_DEMO_OPTIONS", "pace=150");
    const std::wstring dir = folder.Join(L"orphaned");
    platform::NativeHandle readEnd = platform::kInvalidHandle, writeEnd = platform::kInvalidHandle;
    ASSERT_TRUE(platform::CreatePipe(readEnd, writeEnd));
    auto argv = Utils::SplitCommandLine(L"\"" + kCli + L"\" install " + Arguments("/" + digest + "/kelvoKids_setup.exe", dir));
    platform::ProcessInfo cli;
    std::wstring error;
    ASSERT_TRUE(platform::SpawnProcess(argv, {platform::kInvalidHandle, writeEnd, platform::kInvalidHandle}, cli, error));
    platform::CloseHandle(writeEnd);
    // Killed as soon as the package names its folder: its reader is gone with the installer.
    std::string output;
    char buffer[4096];
    std::size_t got = 0;
    while (output.find("\n3000 ") == std::string::npos && platform::ReadFile(readEnd, buffer, sizeof buffer, got))
        output.append(buffer, got);
    ASSERT_NE(output.find("\n3000 "), std::string::npos) << output;
    platform::KillProcess(cli);
    platform::WaitForProcess(cli);
    platform::CloseHandle(readEnd);
    // Its later writes fail, and it goes on to write the files of its last steps.
    const std::wstring record = platform::JoinPath(dir, L"demo-install.ini");
    for (int waited = 0; waited < 1000 && !platform::PathExists(record); ++waited) platform::SleepMilliseconds(10);
    EXPECT_TRUE(platform::IsRegularFile(record));
}

TEST_F(CliInstallTest, FailuresExitWithOne) {
    environment.Set("KELVO_DEMO_OPTIONS", "pace=0,fail");
    CliRun run = RunCli(Arguments("/" + digest + "/kelvoKids_setup.exe", folder.Join(L"failing")));
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.lines.back(), "2004 0 安装包安装失败");

    run = RunCli(Arguments("/0123456789abcdef0123456789abcdef/kelvoKids_setup.exe", folder.Join(L"refuted")));
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.lines.back(), "1004 0 WinHttp");
    EXPECT_FALSE(run.Has("2001 0 "));
    EXPECT_FALSE(platform::PathExists(folder.Join(L"refuted/Kelvo_Kids.exe")));
}

TEST_F(CliInstallTest, MissingAddressIsAUsageError) {
    EXPECT_EQ(RunCli(L"--dir x").exitCode, 2u);
    EXPECT_EQ(RunCli(L"--url http://127.0.0.1/ --dir x --engine two").exitCode, 2u);
    EXPECT_EQ(RunCli(L"extra", L"records").exitCode, 2u);
}

// Install into the proposed folder, then install again without naming a folder: the records
// of the first installation choose the folder, its uninstaller runs first, and the records are
// written anew.
TEST_F(CliInstallTest, ReinstallUsesTheRecordsOfTheFirstInstallation) {
    CliRun records = RunCli(L"", L"records");
    ASSERT_EQ(records.exitCode, 0u);
    ASSERT_EQ(records.lines.size(), 4u);
    const std::string proposed = records.lines[2].substr(records.lines[2].find('=') + 1);
    EXPECT_EQ(records.lines[0], "InstallPath=");
    EXPECT_EQ(records.lines[3], "EarlierInstallation=no");
    EXPECT_EQ(proposed.rfind(home.NativePath(), 0), 0u) << proposed;

    const std::wstring url = L"--engine 2 --url " + server.Url("/" + digest + "/kelvoKids_setup.exe");
    CliRun first = RunCli(url);
    ASSERT_EQ(first.exitCode, 0u);
    EXPECT_EQ(first.lines.front(), "1001 1 ");
    const std::wstring dir = Utils::Utf8ToWide(proposed);
    const std::wstring entry = platform::JoinPath(dir, L"uninst.ep");
    const std::wstring settings = platform::JoinPath(dir, L"set.ini");
    EXPECT_TRUE(platform::IsRegularFile(platform::JoinPath(dir, L"Kelvo_Kids.exe")));
    const std::wstring firstDevice = platform::GetProfileString(L"Install", L"DeviceID", L"", 260, settings);
    EXPECT_EQ(firstDevice.size(), 32u);
    const std::wstring analytics = platform::GetProfileString(L"Install", L"VMSensorsAnalyticsIni", L"", 260, settings);
    EXPECT_EQ(analytics, home.Join(L"data/VemarData/kelvoKids/VMSensorsAnalytics.ini"));
    EXPECT_EQ(platform::GetProfileString(L"Init", L"UpdateTime", L"", 128, analytics).size(), 19u);

    records = RunCli(L"", L"records");
    const std::vector<std::string> recorded = {
        "InstallPath=" + proposed, "UnInstallEp=" + Utils::WideToUtf8(entry),
        "DefaultInstallPath=" + proposed, "EarlierInstallation=yes"};
    EXPECT_EQ(records.lines, recorded);

    CliRun second = RunCli(url);
    ASSERT_EQ(second.exitCode, 0u);
    EXPECT_EQ(second.lines.front(), "5002 0 ");  // the earlier version goes first
    EXPECT_TRUE(second.Has("5003 0 "));
    EXPECT_LT(std::find(second.lines.begin(), second.lines.end(), "5003 0 ") - second.lines.begin(),
              std::find(second.lines.begin(), second.lines.end(), "1001 1 ") - second.lines.begin());
    EXPECT_EQ(second.lines.back(), "2003 0 ");
    EXPECT_NE(platform::GetProfileString(L"Install", L"DeviceID", L"", 260, settings), firstDevice);
    EXPECT_EQ(RunCli(L"", L"records").lines, recorded);

    // The installed version's set.ini keeps it: no removal before the next installation.
    ASSERT_TRUE(platform::WriteProfileString(L"Uninstall", L"IsOverride", L"false", settings));
    CliRun kept = RunCli(url);
    EXPECT_EQ(kept.exitCode, 0u);
    EXPECT_FALSE(kept.Has("5002 0 "));
    EXPECT_EQ(kept.lines.front(), "1001 1 ");
}

// The product itself without a window: the same job, the same records, each report printed.
TEST_F(CliInstallTest, SilentInstallerInstallsIntoTheProposedFolderWithoutADisplay) {
    environment.Set("DISPLAY", nullptr);
    environment.Set("WAYLAND_DISPLAY", nullptr);
    const std::wstring url = server.Url("/" + digest + "/kelvoKids_setup.exe");
    CliRun run = testing_support::RunProgram(L"\"" + kInstaller + L"\" -silent=true -language=5 -downloadurl=" + url);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.front(), "1001 1 ");
    EXPECT_EQ(run.lines.back(), "2003 0 ");
    const std::string proposed = RunCli(L"", L"records").lines[0].substr(std::string("InstallPath=").size());
    EXPECT_EQ(proposed.rfind(home.NativePath(), 0), 0u) << proposed;
    const std::wstring dir = Utils::Utf8ToWide(proposed);
    EXPECT_TRUE(platform::IsRegularFile(platform::JoinPath(dir, L"Kelvo_Kids.exe")));
    EXPECT_EQ(platform::GetProfileString(L"Install", L"inslang", L"", 64, platform::JoinPath(dir, L"demo-install.ini")),
              L"de-DE");

    // A failed download ends it with 1; without -silent=true and without a display it says what
    // it needs.
    run = testing_support::RunProgram(L"\"" + kInstaller + L"\" -silent=true -downloadurl=" +
                                      server.Url("/ffffffffffffffffffffffffffffffff/gone.exe"));
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.lines.back().rfind("1004 ", 0), 0u) << run.lines.back();
    run = testing_support::RunProgram(L"\"" + kInstaller + L"\" -silent=false");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_TRUE(run.Has("KelvoKidsInstaller needs a display; -silent=true installs without one."));
}

}  // namespace

#ifndef _WIN32
// The window commands are handed to the sibling program that carries the drawing libraries (not
// in the Windows build yet).
TEST(CliWindowCommands, AreHandedToTheSkinProgram) {
    const CliRun render = RunCli(L"", L"render");
    EXPECT_EQ(render.exitCode, 2u);
    ASSERT_FALSE(render.lines.empty());
    EXPECT_EQ(render.lines[0].rfind("usage: kelvo-cli render SKINFILE OUT.png", 0), 0u) << render.lines[0];
    // A combo drawn open; a control that is no combo is refused.
    TempFolder folder;
    const std::wstring picture = folder.Join(L"open.png");
    EXPECT_EQ(RunCli(L"MainWnd.xml \"" + picture + L"\" --page 1 --language 9 --open languageCombo", L"render").exitCode, 0u);
    EXPECT_TRUE(platform::IsRegularFile(picture));
    const CliRun notCombo = RunCli(L"MainWnd.xml \"" + picture + L"\" --page 1 --open lbLanguage", L"render");
    EXPECT_EQ(notCombo.exitCode, 1u);
    EXPECT_TRUE(notCombo.Has("kelvo-cli: no combo lbLanguage"));
    const CliRun show = RunCli(L"a b c d", L"show");
    EXPECT_EQ(show.exitCode, 2u);
    EXPECT_TRUE(show.Has("usage: kelvo-cli show SKINFILE [--folder DIR] [--text TEXT] [--caption CAPTION]"));

    // The demo's screenshots: a window dump becomes a PNG of the same pixels; anything else is
    // refused and leaves no picture.
    const std::wstring dump = folder.Join(L"page.xwd"), shot = folder.Join(L"page.png");
    ASSERT_TRUE(platform::WriteFileAtomically(
        dump, testing_support::MakeWindowDump(2, {0x00FF8000, 0x00123456, 0x00000000, 0x00FFFFFF}, 32, true)));
    EXPECT_EQ(RunCli(L"\"" + dump + L"\" \"" + shot + L"\"", L"screenshot").exitCode, 0u);
    const auto png = testing_support::ReadFile(shot);
    ASSERT_TRUE(png);
    const auto decoded = SkinUI::DecodeImage(std::vector<std::uint8_t>(png->begin(), png->end()));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->bitmap.Width(), 2);
    ASSERT_EQ(decoded->bitmap.Height(), 2);
    EXPECT_EQ(decoded->bitmap.At(0, 0), 0xFFFF8000u);
    EXPECT_EQ(decoded->bitmap.At(1, 1), 0xFFFFFFFFu);
    const std::wstring notDump = folder.Join(L"page.png.xwd"), noShot = folder.Join(L"none.png");
    ASSERT_TRUE(platform::WriteFileAtomically(notDump, *png));
    const CliRun refused = RunCli(L"\"" + notDump + L"\" \"" + noShot + L"\"", L"screenshot");
    EXPECT_EQ(refused.exitCode, 1u);
    EXPECT_TRUE(refused.Has("kelvo-cli: " + platform::PathToNative(notDump) + " is not a dump of a true-colour window"));
    EXPECT_FALSE(platform::IsRegularFile(noShot));
    EXPECT_EQ(RunCli(L"only-one", L"screenshot").exitCode, 2u);
}
#endif
