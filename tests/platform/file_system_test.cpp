#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <functional>

#include "platform/file_system.h"
#include "tests/support/temp_folder.h"

TEST(FileSystem, JoinsAndSplitsPaths) {
#ifdef _WIN32
    EXPECT_EQ(platform::JoinPath(L"C:\\a", L"b"), L"C:\\a\\b");
    EXPECT_EQ(platform::JoinPath(L"C:\\a\\", L"\\b"), L"C:\\a\\b");
    EXPECT_EQ(platform::JoinPath(L"C:/a/", L"/b"), L"C:/a/b");
    EXPECT_EQ(platform::JoinPath(L"", L"b"), L"b");
    EXPECT_EQ(platform::ParentPath(L"C:\\kelvo\\set.ini"), L"C:\\kelvo");
    EXPECT_EQ(platform::ParentPath(L"C:\\set.ini"), L"C:\\");
    EXPECT_EQ(platform::ParentPath(L"set.ini"), L"");
    EXPECT_EQ(platform::FileNameOf(L"C:\\kelvo/set.ini"), L"set.ini");
#else
    EXPECT_EQ(platform::JoinPath(L"/a", L"b"), L"/a/b");
    EXPECT_EQ(platform::JoinPath(L"/a/", L"/b"), L"/a/b");
    EXPECT_EQ(platform::JoinPath(L"", L"b"), L"b");
    EXPECT_EQ(platform::ParentPath(L"/opt/kelvo/set.ini"), L"/opt/kelvo");
    EXPECT_EQ(platform::ParentPath(L"/set.ini"), L"/");
    EXPECT_EQ(platform::ParentPath(L"set.ini"), L"");
    EXPECT_EQ(platform::FileNameOf(L"/opt/kelvo/set.ini"), L"set.ini");
#endif
}

TEST(FileSystem, ReplacesFilesWhole) {
    testing_support::TempFolder folder;
    std::wstring path = folder.WriteFile(L"中文.txt", "old");
    ASSERT_TRUE(platform::WriteFileAtomically(path, "new content"));
    EXPECT_EQ(testing_support::ReadFile(path), std::optional<std::string>("new content"));
    EXPECT_EQ(platform::FileSize(path), std::optional<std::uint64_t>(11));
    EXPECT_FALSE(platform::WriteFileAtomically(folder.Join(L"no/such/file"), "x"));

    std::wstring copy = folder.Join(L"copy.txt");
    ASSERT_TRUE(platform::CopyWholeFile(path, copy));
    ASSERT_TRUE(platform::SetExecutable(copy));
    ASSERT_TRUE(platform::RenameFile(copy, path));
    EXPECT_FALSE(platform::PathExists(copy));
    EXPECT_TRUE(platform::RemoveFile(path));
    EXPECT_FALSE(platform::RemoveFile(path));
    EXPECT_FALSE(platform::FileSize(folder.Path()));  // a folder has no file size
}

TEST(FileSystem, DiskSpaceOfAMissingPathIsAnErrorCode) {
    platform::DiskSpace space;
    long error = 0;
    EXPECT_FALSE(platform::QueryDiskSpace(L"/no/such/folder", space, error));
    EXPECT_NE(error, 0);
    ASSERT_TRUE(platform::QueryDiskSpace(L"/", space, error));
    EXPECT_GT(space.total, 0u);
    EXPECT_LE(space.availableToCaller, space.totalFree);
}

TEST(FileSystem, AppendsOneFileToAnother) {
    testing_support::TempFolder folder;
    std::string tail;
    for (int i = 0; i < 3 * 1024 * 1024 + 11; ++i) tail += static_cast<char>(i % 253);
    const std::wstring head = folder.WriteFile(L"part_0", "head:");
    const std::wstring rest = folder.WriteFile(L"part_1", tail);
    ASSERT_TRUE(platform::AppendFileContent(rest, head));
    EXPECT_EQ(testing_support::ReadFile(head), std::optional<std::string>("head:" + tail));
    EXPECT_EQ(testing_support::ReadFile(rest), std::optional<std::string>(tail));  // the source stays
    const std::wstring empty = folder.WriteFile(L"empty", "");
    ASSERT_TRUE(platform::AppendFileContent(empty, rest));
    EXPECT_EQ(platform::FileSize(rest), std::optional<std::uint64_t>(tail.size()));
    // Neither end may be missing: a merge must not create the file it appends to.
    EXPECT_FALSE(platform::AppendFileContent(folder.Join(L"missing"), head));
    EXPECT_FALSE(platform::AppendFileContent(rest, folder.Join(L"missing")));
    EXPECT_FALSE(platform::PathExists(folder.Join(L"missing")));

    // From another file system (tmpfs) the system may refuse to copy inside the kernel; the bytes
    // then go through a buffer.
    const std::wstring shared = L"/dev/shm/kelvo-append-" + std::to_wstring(::getpid());
    if (platform::WriteFileAtomically(shared, tail)) {
        EXPECT_TRUE(platform::AppendFileContent(shared, head));
        platform::RemoveFile(shared);
        EXPECT_EQ(testing_support::ReadFile(head), std::optional<std::string>("head:" + tail + tail));
    }
}

#ifndef _WIN32
TEST(FileSystem, CopyToNewFileNeverWritesThroughWhatWasAtTheTarget) {
    testing_support::TempFolder folder;
    const std::wstring source = folder.WriteFile(L"uninst.ep", "program");
    const std::wstring victim = folder.WriteFile(L"victim", "keep");
    const std::wstring target = folder.Join(L"copy.exe");
    const std::pair<const char*, std::function<void()>> prepared[] = {
        {"nothing", [] {}},
        {"an earlier copy", [&] { folder.WriteFile(L"copy.exe", "old"); }},
        {"a link to another file", [&] { ::symlink(platform::PathToNative(victim).c_str(), platform::PathToNative(target).c_str()); }},
        {"a dangling link", [&] { ::symlink("/nonexistent/x", platform::PathToNative(target).c_str()); }},
    };
    for (const auto& [what, prepare] : prepared) {
        SCOPED_TRACE(what);
        prepare();
        ASSERT_TRUE(platform::CopyToNewFile(source, target, 0700));
        struct stat info {};
        ASSERT_EQ(::lstat(platform::PathToNative(target).c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0700u);
        EXPECT_EQ(testing_support::ReadFile(target), std::optional<std::string>("program"));
        EXPECT_EQ(testing_support::ReadFile(victim), std::optional<std::string>("keep"));
        platform::RemoveFile(target);
    }
    EXPECT_FALSE(platform::CopyToNewFile(folder.Join(L"missing"), target, 0700));
    EXPECT_FALSE(platform::PathExists(target));
}
#endif
