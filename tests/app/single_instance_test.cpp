#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "app/single_instance_guard.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "platform/utf8.h"

namespace {

struct InstallerRun {
    int status = -1;
    std::string errorOutput;
};

// Runs the installer and collects its exit status and standard error.
InstallerRun RunInstaller(const std::wstring& argument = L"") {
    InstallerRun run;
    platform::NativeHandle read = platform::kInvalidHandle, write = platform::kInvalidHandle;
    if (!platform::CreatePipe(read, write)) return run;
    std::vector<std::wstring> arguments{platform::Utf8ToWideLossy(KELVO_INSTALLER_PATH)};
    if (!argument.empty()) arguments.push_back(argument);
    platform::StandardHandles handles;
    handles.error = write;
    platform::ProcessInfo process;
    std::wstring error;
    bool started = platform::SpawnProcess(arguments, handles, process, error);
    platform::CloseHandle(write);
    if (started) {
        char buffer[4096];
        std::size_t got = 0;
        while (platform::ReadFile(read, buffer, sizeof buffer, got)) run.errorOutput.append(buffer, got);
        run.status = static_cast<int>(platform::WaitForProcess(process));
    }
    platform::CloseHandle(read);
    return run;
}

TEST(SingleInstance, ASecondInstallerEndsAtOnceAndSilently) {
    SingleInstanceGuard holder(L"Installer_kelvoKids");
    ASSERT_EQ(holder.MutexName(), L"D1A547DB89C0BC61_Installer_kelvoKids");
    ASSERT_TRUE(holder.Acquire());
    InstallerRun second = RunInstaller();
    EXPECT_EQ(second.status, 255);  // exit code -1
    EXPECT_EQ(second.errorOutput, "");
    holder.Release();

    // Alone it starts; without a display (and without -silent=true) it says so and ends.
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    InstallerRun alone = RunInstaller(L"-downloadtype=3");
    EXPECT_EQ(alone.status, 1);
    EXPECT_NE(alone.errorOutput.find("KelvoKidsInstaller needs a display"), std::string::npos) << alone.errorOutput;
    EXPECT_TRUE(std::regex_search(
        alone.errorOutput,
        std::regex(R"(<P\d{5}><T\d{5}><\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}>\(RunInstaller\)<\d{4}>: .*DownloadType=3.*\r\n)")))
        << alone.errorOutput;
    // The lock is free again once the installer has ended.
    EXPECT_TRUE(holder.Acquire());
}

}  // namespace
