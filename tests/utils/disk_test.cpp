#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/file_system.h"
#include "tests/support/log_capture.h"
#include "tests/support/scoped_variable.h"
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

#ifndef _WIN32
TEST(Disk, TempWorkFolderIsPrivateWhateverWasPreparedForIt) {
    testing_support::TempFolder folder;
    testing_support::ScopedVariable temp("TMPDIR", folder.NativePath().c_str());
    const std::wstring name = L"~VemarTemp.92482B06FB471E17-" + std::to_wstring(::geteuid());
    const std::wstring fixed = folder.Join(name);
    const std::wstring elsewhere = folder.Join(L"elsewhere");
    ASSERT_TRUE(platform::CreateFolder(elsewhere));
    const std::string native = platform::PathToNative(fixed);
    // What another user may have left at the folder's name in a shared temporary folder.
    struct Case {
        const char* prepared;
        std::function<void()> prepare;
    };
    const Case cases[] = {
        {"nothing", [] {}},
        {"a link to a folder of theirs", [&] { ::symlink(platform::PathToNative(elsewhere).c_str(), native.c_str()); }},
        {"a folder anyone can write to", [&] {
             ::mkdir(native.c_str(), 0777);
             ::chmod(native.c_str(), 0777);
             folder.WriteFile(name + L"/kelvoKids_un_asa.exe", "planted");
         }},
        {"a file", [&] { folder.WriteFile(name, "x"); }},
        {"a folder of another user", [&] {
             ::mkdir(native.c_str(), 0700);
             if (::chown(native.c_str(), 1, 1) != 0) ::chmod(native.c_str(), 0755);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prepared);
        c.prepare();
        const std::wstring work = Utils::GetTempWorkDir();
        ASSERT_FALSE(work.empty());
        EXPECT_EQ(Utils::GetTempWorkDir(), work);
        struct stat info {};
        ASSERT_EQ(::lstat(platform::PathToNative(work).c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0700u);
        EXPECT_EQ(info.st_uid, ::geteuid());
        EXPECT_FALSE(platform::PathExists(platform::JoinPath(work, L"kelvoKids_un_asa.exe")));
        EXPECT_TRUE(std::filesystem::is_empty(platform::PathToNative(elsewhere)));
        // Only root can move another user's folder aside; anyone else gets a fresh one.
        if (work != fixed + L"/") {
            EXPECT_EQ(work.rfind(fixed + L".", 0), 0u);
        }
        std::error_code ignored;
        std::filesystem::remove_all(native, ignored);
    }
    testing_support::ScopedVariable missing("TMPDIR", (folder.NativePath() + "/missing/deeper").c_str());
    EXPECT_EQ(Utils::GetTempWorkDir(), L"");
}
#endif

TEST(Disk, FailedFreeSpaceQueryLeavesZeroAndLogs) {
    testing_support::LogCapture capture;
    Utils::HardDiskManager disk;
#ifdef _WIN32
    const std::wstring missing = L"C:\\no\\such\\drive";
    const std::wstring failure = L"code=3\r\n";  // ERROR_PATH_NOT_FOUND
    const std::wstring root = L"C:\\";
#else
    const std::wstring missing = L"/no/such/drive";
    const std::wstring failure = L"code=2\r\n";  // ENOENT
    const std::wstring root = L"/";
#endif
    EXPECT_FALSE(disk.CheckFreeSpace(missing));
    EXPECT_EQ(disk.freeBytesAvailableToCaller, 0u);
    EXPECT_LT(static_cast<double>(disk.freeBytesAvailableToCaller) / 1073741824.0, 1.0);
    auto lines = capture.LinesWith(L"(Utils::HardDiskManager::CheckFreeSpace)<0035>: "
                                   L"HardDiskManager::CheckFreeSpace FAIL " + failure);
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_TRUE(disk.CheckFreeSpace(root));
    EXPECT_GT(disk.totalNumberOfBytes, 0u);
}

}  // namespace
