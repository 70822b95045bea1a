// The whole flow on Windows: kelvo-cli.exe downloads the demo package from a server on loopback,
// runs it hidden, and leaves the records in HKEY_CURRENT_USER; a second installation runs the
// first one's uninstaller from the user's private temporary folder before its download.
#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/file_system.h"
#include "platform/registry.h"
#include "tests/support/http_test_server.h"
#include "tests/support/program_run.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"
#include "utils/digest.h"
#include "utils/registry.h"

namespace {

using testing_support::HttpTestServer;

TEST(WindowsCliInstall, InstallsThroughEachEngineAndRecordsInTheRegistry) {
    const std::wstring cli = platform::PathFromNative(KELVO_CLI);
    const std::wstring demo = platform::PathFromNative(KELVO_DEMO_PACKAGE);
    const std::string package = *testing_support::ReadFile(demo);
    const std::string digest = Utils::GetFileMd5(platform::PathToNative(demo));
    HttpTestServer server([&](const testing_support::HttpRequest& request) {
        return HttpTestServer::Bytes(request, package);
    });
    testing_support::ScopedVariable pace("KELVO_DEMO_OPTIONS", "pace=0");
    testing_support::TempFolder folder;
    ASSERT_TRUE(platform::DeleteUserRegistryKey(Utils::kProductRegistryKey));
    // A folder with blanks and Chinese, as users name them.
    const std::wstring dir = folder.Join(L"少儿编程 Kelvo\\kelvoKids");
    const std::wstring url = server.Url("/" + digest + "/kelvoKids_setup.exe");
    for (const wchar_t* engine : {L"1", L"3"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(engine)));
        const testing_support::ProgramRun run = testing_support::RunProgram(
            L"\"" + cli + L"\" install --engine " + engine + L" --url " + url + L" --dir \"" + dir + L"\"");
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.exitCode, 0u);
        ASSERT_FALSE(run.lines.empty());
        EXPECT_EQ(run.lines.back(), "2003 0 ");
        EXPECT_TRUE(run.Has("3000 0 " + platform::PathToNative(dir)));
        // The second run removes the first installation with its own uninstaller.
        EXPECT_EQ(run.Has("5003 0 "), std::wstring(engine) == L"3");
        std::wstring recorded;
        ASSERT_TRUE(platform::ReadUserRegistryString(Utils::kProductRegistryKey, L"InstallPath", recorded));
        EXPECT_EQ(recorded, dir);
        ASSERT_TRUE(platform::ReadUserRegistryString(Utils::kProductRegistryKey, L"UnInstallEp", recorded));
        EXPECT_EQ(recorded, platform::JoinPath(dir, L"uninst.ep"));
        EXPECT_TRUE(platform::IsRegularFile(platform::JoinPath(dir, L"Kelvo_Kids.exe")));
        EXPECT_FALSE(platform::PathExists(platform::JoinPath(dir, L"__Package_kelvoKids.exe")));
    }
    EXPECT_TRUE(platform::DeleteUserRegistryKey(Utils::kProductRegistryKey));
}

}  // namespace
#endif
