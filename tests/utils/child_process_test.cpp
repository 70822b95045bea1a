#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <string>

#include "platform/process.h"
#include "utils/child_process.h"
#include "utils/exception.h"

namespace {

std::string ReadAll(Utils::ChildProcess& child) {
    std::string text;
    char buffer[1024];
    std::size_t got = 0;
    while (child.ReadOutput(buffer, sizeof buffer, got)) text.append(buffer, got);
    return text;
}

TEST(ChildProcess, RunsAWindowsCommandLineWithRedirectedOutput) {
    Utils::ChildProcess child;
    child.CreatePipes();
#ifdef _WIN32
    // Standard input is NUL: a child that reads it finds its end at once.
    child.Launch(L"cmd.exe /c \"more & echo Progress=0.5& echo State=Success& exit 7\"");
    EXPECT_EQ(ReadAll(child), "Progress=0.5\r\nState=Success\r\n");
#else
    // Standard input is /dev/null: a child that reads it finds its end at once.
    child.Launch(L"/bin/sh -c \"cat; printf 'Progress=0.5\\nState=Success'; exit 7\"");
    EXPECT_EQ(ReadAll(child), "Progress=0.5\nState=Success");
#endif
    EXPECT_EQ(child.Wait(), 7u);
    EXPECT_EQ(child.ExitCode(), 7u);
    child.Release();
    EXPECT_EQ(child.outputPipe.read, platform::kInvalidHandle);
}

#ifndef _WIN32
TEST(ChildProcess, ReleasedWhileRunningItIsReapedWhenItEnds) {
    Utils::ChildProcess child;
    child.CreatePipes();
    // Long enough to be running still however slowly this thread gets on.
    child.Launch(L"/bin/sleep 1");
    const int pid = child.processInfo.processId;
    EXPECT_EQ(child.ExitCode(), platform::kStillActive);
    child.Release();
    // A zombie keeps its /proc entry until its parent reaps it.
    const std::string entry = "/proc/" + std::to_string(pid);
    for (int waited = 0; waited < 500 && ::access(entry.c_str(), F_OK) == 0; ++waited) ::usleep(10000);
    EXPECT_NE(::access(entry.c_str(), F_OK), 0);
}
#endif

TEST(ChildProcess, ThrowsWhenTheChildCannotBeStarted) {
    Utils::ChildProcess missing;
    missing.CreatePipes();
    EXPECT_THROW(missing.Launch(L"\"/no/such/__Package_kelvoKids.exe\" /S"), Utils::Exception);

    Utils::ChildProcess tooLong;
    tooLong.CreatePipes();
#ifdef _WIN32
    const std::wstring program = L"cmd.exe /c rem ";
#else
    const std::wstring program = L"/bin/true ";
#endif
    EXPECT_THROW(tooLong.Launch(program + std::wstring(1023 - program.size() + 1, L'x')), Utils::Exception);
    Utils::ChildProcess fits;
    fits.CreatePipes();
    EXPECT_NO_THROW(fits.Launch(program + std::wstring(1023 - program.size(), L'x')));
    EXPECT_EQ(fits.Wait(), 0u);
}

}  // namespace
