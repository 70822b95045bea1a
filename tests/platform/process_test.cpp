#include <gtest/gtest.h>
#ifndef _WIN32
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif


#include <algorithm>
#include <atomic>
#include <cstdio>
#include <utility>

#include "platform/file_system.h"
#include "platform/module_path.h"
#include "platform/named_mutex.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "platform/thread.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"

namespace {

struct Pipes {
    platform::NativeHandle outRead = platform::kInvalidHandle, outWrite = platform::kInvalidHandle;
    platform::NativeHandle inRead = platform::kInvalidHandle, inWrite = platform::kInvalidHandle;
    Pipes() {
        platform::CreatePipe(outRead, outWrite);
        platform::CreatePipe(inRead, inWrite);
    }
    ~Pipes() {
        for (auto* handle : {&outRead, &outWrite, &inRead, &inWrite}) platform::CloseHandle(*handle);
    }
    std::string ReadAll() {
        std::string text;
        char buffer[256];
        std::size_t got = 0;
        while (platform::ReadFile(outRead, buffer, sizeof buffer, got)) text.append(buffer, got);
        return text;
    }
};

#ifndef _WIN32
TEST(Process, RunsAChildWithItsStandardHandlesAndReportsItsExitCode) {
    Pipes pipes;
    platform::StandardHandles handles{pipes.inRead, pipes.outWrite, pipes.outWrite};
    platform::ProcessInfo child;
    std::wstring error;
    ASSERT_TRUE(platform::SpawnProcess({L"/bin/sh", L"-c", L"read line; echo \"got $line\"; echo err >&2; exit 3"},
                                       handles, child, error));
    platform::CloseHandle(pipes.outWrite);
    platform::CloseHandle(pipes.inRead);
    EXPECT_EQ(platform::GetExitCode(child), platform::kStillActive);  // it waits for its input
    ASSERT_TRUE(platform::WriteFile(pipes.inWrite, "hello\n", 6));
    EXPECT_EQ(pipes.ReadAll(), "got hello\nerr\n");
    EXPECT_EQ(platform::WaitForProcess(child), 3u);
    EXPECT_EQ(platform::GetExitCode(child), 3u);
}
#endif

TEST(Process, AProgramThatCannotStartIsAFailureNotAChild) {
    platform::ProcessInfo child;
    std::wstring error;
    EXPECT_FALSE(platform::SpawnProcess({L"/nonexistent/setup.exe"}, {}, child, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(platform::SpawnProcess({}, {}, child, error));
}

TEST(Process, FindsProcessesByTheirExecutableFileName) {
    std::wstring self = platform::FileNameOf(platform::GetModulePath());
    ASSERT_FALSE(self.empty());
    auto found = platform::FindProcessesByExecutableName(self);
    EXPECT_NE(std::find(found.begin(), found.end(), platform::CurrentProcessId()), found.end());
    EXPECT_TRUE(platform::FindProcessesByExecutableName(L"Kelvo_Kids_not_running.exe").empty());
    // A prefix of a name is not the name.
    EXPECT_TRUE(platform::FindProcessesByExecutableName(self.substr(0, self.size() - 1)).empty());
}

#ifndef _WIN32
TEST(NamedMutex, OnlyOneHolderAtATimeAndReleasedForTheNext) {
    testing_support::TempFolder runtime;
    ASSERT_EQ(::chmod(runtime.NativePath().c_str(), 0700), 0);
    testing_support::ScopedVariable folder("XDG_RUNTIME_DIR", runtime.NativePath().c_str());
    platform::NamedMutex first, second;
    const std::wstring name = L"kelvo-test";
    ASSERT_TRUE(first.Acquire(name));
    EXPECT_TRUE(platform::IsRegularFile(runtime.Join(name + L".lock")));
    EXPECT_FALSE(second.Acquire(name));
    EXPECT_TRUE(second.Acquire(name + L"-other"));
    second.Release();
    first.Release();
    EXPECT_TRUE(second.Acquire(name));
}
#endif

#ifndef _WIN32
TEST(Process, ChildrenStartWithDefaultSignalsButBrokenPipesFail) {
    // What the installer holds back or ignores, and a product started from it must not inherit.
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGTERM);
    sigset_t previous;
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &held, &previous), 0);
    struct sigaction ignore {}, previousInterrupt {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGINT, &ignore, &previousInterrupt);
    platform::PrepareProcess();

    testing_support::TempFolder folder;
    // The blocked and the ignored signals among the classic ones (the C library keeps two
    // real-time signals above them for itself).
    auto signalsOf = [&](bool detached) {
        const std::wstring out = folder.Join(detached ? L"detached" : L"child");
        const std::vector<std::wstring> command = {
            // Read with the shell's own builtins: while it forks a command the shell blocks every
            // signal for a moment, and a grep could catch it so.
            L"/bin/sh", L"-c",
            L"while read -r line; do case $line in SigBlk*|SigIgn*) echo \"$line\";; esac; done"
            L" < /proc/$$/status > \"$0.tmp\" && mv \"$0.tmp\" \"$0\"",
            out};
        if (detached) {
            EXPECT_TRUE(platform::StartDetached(command));
        } else {
            platform::ProcessInfo child;
            std::wstring error;
            EXPECT_TRUE(platform::SpawnProcess(command, {}, child, error));
            platform::WaitForProcess(child);
        }
        for (int waited = 0; waited < 500 && !platform::PathExists(out); ++waited) ::usleep(10000);
        unsigned long long blocked = ~0ull, ignored = ~0ull;
        std::sscanf(testing_support::ReadFile(out).value_or("").c_str(), "SigBlk: %llx SigIgn: %llx", &blocked, &ignored);
        return std::pair{blocked & 0x7FFFFFFFull, ignored & 0x7FFFFFFFull};
    };
    const unsigned long long brokenPipe = 1ull << (SIGPIPE - 1);
    EXPECT_EQ(signalsOf(false), (std::pair{0ull, brokenPipe}));
    EXPECT_EQ(signalsOf(true), (std::pair{0ull, 0ull}));

    ::sigaction(SIGINT, &previousInterrupt, nullptr);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}
#endif

TEST(NativeThread, RunsOnlyAfterResumeAndNeverWhenDroppedSuspended) {
    std::atomic<int> runs{0};
    {
        platform::NativeThread never([&] { ++runs; });
        EXPECT_TRUE(never.IsValid());
        EXPECT_NE(never.Id(), 0u);
    }
    EXPECT_EQ(runs.load(), 0);
    platform::NativeThread once([&] { ++runs; });
    once.Resume();
    once.Join();
    EXPECT_EQ(runs.load(), 1);
}

}  // namespace
