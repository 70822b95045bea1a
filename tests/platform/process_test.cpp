#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "platform/file_system.h"
#include "platform/module_path.h"
#include "platform/named_mutex.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "platform/thread.h"

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

TEST(Process, AProgramThatCannotStartIsAFailureNotAChild) {
    platform::ProcessInfo child;
    std::wstring error;
    EXPECT_FALSE(platform::SpawnProcess({L"/nonexistent/setup.exe"}, {}, child, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(platform::SpawnProcess({}, {}, child, error));
}

TEST(Process, FindsProcessesByTheirExecutableFileName) {
    std::wstring self = platform::FileNameOf(platform::GetModuleFileName());
    ASSERT_FALSE(self.empty());
    auto found = platform::FindProcessesByExecutableName(self);
    EXPECT_NE(std::find(found.begin(), found.end(), platform::CurrentProcessId()), found.end());
    EXPECT_TRUE(platform::FindProcessesByExecutableName(L"Kelvo_Kids_not_running.exe").empty());
    // A prefix of a name is not the name.
    EXPECT_TRUE(platform::FindProcessesByExecutableName(self.substr(0, self.size() - 1)).empty());
}

TEST(NamedMutex, OnlyOneHolderAtATimeAndReleasedForTheNext) {
    platform::NamedMutex first, second;
    const std::wstring name = L"kelvo-test-" + std::to_wstring(platform::CurrentProcessId());
    ASSERT_TRUE(first.Acquire(name));
    EXPECT_FALSE(second.Acquire(name));
    EXPECT_TRUE(second.Acquire(name + L"-other"));
    second.Release();
    first.Release();
    EXPECT_TRUE(second.Acquire(name));
}

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
