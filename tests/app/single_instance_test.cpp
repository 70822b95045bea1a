#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <regex>
#include <string>

#include "app/single_instance_guard.h"

namespace {

struct InstallerRun {
    int status = -1;
    std::string errorOutput;
};

// Runs the installer and collects its exit status and standard error.
InstallerRun RunInstaller(const std::string& arguments = "") {
    std::string command = std::string("'") + KELVO_INSTALLER_PATH + "' " + arguments + " 2>&1 >/dev/null";
    InstallerRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) run.errorOutput.append(buffer, got);
    int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

    InstallerRun alone = RunInstaller("-downloadtype=3");
    EXPECT_EQ(alone.status, 0);
    EXPECT_TRUE(std::regex_search(
        alone.errorOutput,
        std::regex(R"(<P\d{5}><T\d{5}><\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}>\(RunInstaller\)<\d{4}>: .*DownloadType=3.*\r\n)")))
        << alone.errorOutput;
    // The lock is free again once the installer has ended.
    EXPECT_TRUE(holder.Acquire());
}

}  // namespace
