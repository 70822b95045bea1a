#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/file_system.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"
#include "utils/disk.h"

namespace {

TEST(Disk, CreatesEveryMissingFolder) {
    testing_support::TempFolder folder;
    std::wstring deep = folder.Join(L"a/b/安装目录");
    EXPECT_TRUE(Utils::CreateDirectories(deep));
    EXPECT_TRUE(platform::IsDirectory(deep));
    EXPECT_TRUE(Utils::CreateDirectories(deep));         // existing is success
    EXPECT_TRUE(Utils::CreateDirectories(deep + L"/c/"));
    EXPECT_TRUE(platform::IsDirectory(deep + L"/c"));
    std::wstring file = folder.WriteFile(L"file", "x");
    EXPECT_FALSE(Utils::CreateDirectories(file + L"/below"));
}

TEST(Disk, RefusesOverlongPathsWithoutTouchingTheDisk) {
    testing_support::TempFolder folder;
    std::wstring base = folder.Path() + L"/x";
    std::wstring longPath = base + std::wstring(261 - base.size(), L'y');
    ASSERT_EQ(longPath.size(), 261u);
    EXPECT_FALSE(Utils::CreateDirectories(longPath));
    EXPECT_FALSE(platform::PathExists(longPath));
    longPath.pop_back();
    EXPECT_TRUE(Utils::CreateDirectories(longPath));
}

TEST(Disk, TempWorkFolderIsMadeOnceInsideTheTemporaryFolder) {
    testing_support::TempFolder folder;
    const char* previous = std::getenv("TMPDIR");
    std::string saved = previous ? previous : "";
    ::setenv("TMPDIR", folder.NativePath().c_str(), 1);
    std::wstring work = Utils::GetTempWorkDir();
    EXPECT_EQ(work, folder.Path() + L"/~VemarTemp.92482B06FB471E17/");
    EXPECT_TRUE(platform::IsDirectory(work));
    EXPECT_EQ(Utils::GetTempWorkDir(), work);
    ::setenv("TMPDIR", (folder.NativePath() + "/missing/deeper").c_str(), 1);
    EXPECT_EQ(Utils::GetTempWorkDir(), L"");
    if (previous) ::setenv("TMPDIR", saved.c_str(), 1); else ::unsetenv("TMPDIR");
}

TEST(Disk, FailedFreeSpaceQueryLeavesZeroAndLogs) {
    testing_support::LogCapture capture;
    Utils::HardDiskManager disk;
    EXPECT_FALSE(disk.CheckFreeSpace(L"/no/such/drive"));
    EXPECT_EQ(disk.freeBytesAvailableToCaller, 0u);
    EXPECT_LT(static_cast<double>(disk.freeBytesAvailableToCaller) / 1073741824.0, 1.0);
    auto lines = capture.LinesWith(L"(Utils::HardDiskManager::CheckFreeSpace)<0035>: "
                                   L"HardDiskManager::CheckFreeSpace FAIL code=2\r\n");
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_TRUE(disk.CheckFreeSpace(L"/"));
    EXPECT_GT(disk.totalNumberOfBytes, 0u);
}

}  // namespace
