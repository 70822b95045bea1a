#ifndef _WIN32
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <regex>
#include <string>

#include "platform/file_system.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "platform/utf8.h"
#include "settings/single_instance_guard.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"

namespace {

using testing_support::ScopedVariable;
using testing_support::TempFolder;

const std::wstring kInstaller = platform::Utf8ToWideLossy(KELVO_INSTALLER_PATH);
const std::wstring kLockName = L"D1A547DB89C0BC61_Installer_kelvoKids.lock";

struct InstallerRun {
    int status = -1;
    std::string errorOutput;
};

// Runs a command line (the installer, possibly behind a wrapper) and collects its exit status and
// standard error; with a closed pipe, the reader of standard error is gone before it starts.
InstallerRun RunCommand(const std::vector<std::wstring>& arguments, bool readerGone = false) {
    InstallerRun run;
    platform::NativeHandle read = platform::kInvalidHandle, write = platform::kInvalidHandle;
    if (!platform::CreatePipe(read, write)) return run;
    if (readerGone) platform::CloseHandle(read);
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

// The session's runtime folder for the tests: never the real one, removed afterwards.
class SingleInstance : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::chmod(runtime.NativePath().c_str(), 0700), 0); }

    TempFolder runtime;
    ScopedVariable runtimeVariable{"XDG_RUNTIME_DIR", runtime.NativePath().c_str()};
    ScopedVariable sudo{"SUDO_UID", nullptr};
    // Without a display the installer that gets the lock ends at once, with 1: it needs one.
    ScopedVariable display{"DISPLAY", nullptr};
    ScopedVariable wayland{"WAYLAND_DISPLAY", nullptr};
};

TEST_F(SingleInstance, ASecondInstallerEndsAtOnceAndSilently) {
    SingleInstanceGuard holder(L"Installer_kelvoKids");
    ASSERT_EQ(holder.MutexName(), L"D1A547DB89C0BC61_Installer_kelvoKids");
    ASSERT_TRUE(holder.Acquire());
    EXPECT_TRUE(platform::IsRegularFile(runtime.Join(kLockName)));
    InstallerRun second = RunCommand({kInstaller});
    EXPECT_EQ(second.status, 255);  // exit code -1
    EXPECT_EQ(second.errorOutput, "");
    holder.Release();

    // Alone it starts; without a display (and without -silent=true) it says so and ends.
    InstallerRun alone = RunCommand({kInstaller, L"-downloadtype=3"});
    EXPECT_EQ(alone.status, 1);
    EXPECT_NE(alone.errorOutput.find("KelvoKidsInstaller needs a display"), std::string::npos) << alone.errorOutput;
    EXPECT_TRUE(std::regex_search(
        alone.errorOutput,
        std::regex(R"(<P\d{5,}><T\d{5,}><\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}>\(RunInstaller\)<\d{4}>: .*DownloadType=3.*\r\n)")))
        << alone.errorOutput;
    // The lock is free again once the installer has ended.
    EXPECT_TRUE(holder.Acquire());
}

TEST_F(SingleInstance, AnotherUsersLockIsNotThisUsersInstance) {
    // A runtime folder others may write to is not used; neither is a lock file another user left
    // in the shared temporary folder, even while it is held.
    if (platform::IsDirectory(L"/run/user/" + std::to_wstring(::getuid())))
        GTEST_SKIP() << "the session's own runtime folder would be used";
    TempFolder shared;
    ASSERT_EQ(::chmod(shared.NativePath().c_str(), 01777), 0);
    ScopedVariable squattable("XDG_RUNTIME_DIR", shared.NativePath().c_str());
    ScopedVariable temp("TMPDIR", shared.NativePath().c_str());
    const std::string foreign = platform::PathToNative(shared.Join(kLockName));
    const int held = ::open(foreign.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(held, 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::fchown(held, 1, 1), 0);
    }
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(RunCommand({kInstaller}).status, 1);
    ::close(held);
    EXPECT_TRUE(platform::IsRegularFile(shared.Join(L"kelvoKids-" + std::to_wstring(::getuid()) + L"/" + kLockName)));
}

TEST_F(SingleInstance, RunThroughSudoHoldsTheInvokingUsersLock) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    passwd* daemon = ::getpwnam("daemon");
    if (!daemon) GTEST_SKIP() << "no daemon account";
    ASSERT_EQ(::chown(runtime.NativePath().c_str(), daemon->pw_uid, daemon->pw_gid), 0);
    const std::string uid = std::to_string(daemon->pw_uid);
    SingleInstanceGuard elevated(L"Installer_kelvoKids");
    {
        ScopedVariable sudo("SUDO_UID", uid.c_str());
        ASSERT_TRUE(elevated.Acquire());
    }
    const std::vector<std::wstring> asDaemon = {L"/usr/bin/setpriv", L"--reuid=" + std::to_wstring(daemon->pw_uid),
                                                L"--regid=" + std::to_wstring(daemon->pw_gid), L"--clear-groups",
                                                kInstaller};
    EXPECT_EQ(RunCommand(asDaemon).status, 255);
    elevated.Release();
    // The lock file was given to that user: their own run can take it now.
    EXPECT_EQ(RunCommand(asDaemon).status, 1);
}

TEST_F(SingleInstance, ALinkInPlaceOfTheLockFileIsNotFollowed) {
    TempFolder elsewhere;
    const std::wstring target = elsewhere.Join(L"target");
    ASSERT_EQ(::symlink(platform::PathToNative(target).c_str(), platform::PathToNative(runtime.Join(kLockName)).c_str()), 0);
    SingleInstanceGuard guard(L"Installer_kelvoKids");
    EXPECT_FALSE(guard.Acquire());
    EXPECT_FALSE(platform::PathExists(target));
}

TEST_F(SingleInstance, LogLinesNeitherKillTheInstallerNorLandInItsFiles) {
    // Its standard error a pipe nobody reads any more, with the default action of SIGPIPE (which
    // ends a process) as the installer inherits it from a shell.
    InstallerRun orphaned = RunCommand({L"/usr/bin/env", L"--default-signal=PIPE", kInstaller}, true);
    EXPECT_EQ(orphaned.status, 1);  // no display
    // Its standard error closed: the next file it opens, the lock, must not receive the log.
    InstallerRun closed = RunCommand({L"/bin/sh", L"-c", L"exec 2>&-; exec \"$0\"", kInstaller});
    EXPECT_EQ(closed.status, 1);
    EXPECT_EQ(testing_support::ReadFile(runtime.Join(kLockName)), std::optional<std::string>(""));
}

}  // namespace
#endif
