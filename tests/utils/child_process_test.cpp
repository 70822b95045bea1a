#include <gtest/gtest.h>

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
    // Standard input is a pipe nobody writes to: the child sees no input but is not given EOF
    // either, so it must not wait for input; it reads nothing here.
    child.Launch(L"/bin/sh -c \"printf 'Progress=0.5\\nState=Success'; exit 7\"");
    EXPECT_EQ(ReadAll(child), "Progress=0.5\nState=Success");
    EXPECT_EQ(child.Wait(), 7u);
    EXPECT_EQ(child.ExitCode(), 7u);
    child.Release();
    EXPECT_EQ(child.outputPipe.read, platform::kInvalidHandle);
    EXPECT_EQ(child.inputPipe.write, platform::kInvalidHandle);
}

TEST(ChildProcess, ReportsStillActiveWhileRunning) {
    Utils::ChildProcess child;
    child.CreatePipes();
    child.Launch(L"/bin/sh -c \"read never\"");
    EXPECT_EQ(child.ExitCode(), platform::kStillActive);
    platform::CloseHandle(child.inputPipe.write);  // end of input lets it finish
    EXPECT_EQ(child.Wait(), 1u);
}

TEST(ChildProcess, ThrowsWhenTheChildCannotBeStarted) {
    Utils::ChildProcess missing;
    missing.CreatePipes();
    EXPECT_THROW(missing.Launch(L"\"/no/such/__Package_kelvoKids.exe\" /S"), Utils::Exception);

    Utils::ChildProcess tooLong;
    tooLong.CreatePipes();
    EXPECT_THROW(tooLong.Launch(L"/bin/true " + std::wstring(1014, L'x')), Utils::Exception);
    Utils::ChildProcess fits;
    fits.CreatePipes();
    EXPECT_NO_THROW(fits.Launch(L"/bin/true " + std::wstring(1013, L'x')));
    EXPECT_EQ(fits.Wait(), 0u);
}

}  // namespace
