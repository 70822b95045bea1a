#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/file_system.h"
#include "tests/support/temp_folder.h"
#include "utils/digest.h"
#include "utils/digest_follower.h"

namespace {

std::string Bytes(std::size_t count, unsigned seed) {
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((i * 7919 + seed) % 251);
    return bytes;
}

// Appends `bytes` to `path` in small flushed pieces with pauses, as a download does.
void AppendSlowly(const std::wstring& path, const std::string& bytes, std::size_t piece) {
    std::FILE* file = std::fopen(platform::PathToNative(path).c_str(), "ab");
    ASSERT_NE(file, nullptr);
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        std::fwrite(bytes.data() + at, 1, std::min(piece, bytes.size() - at), file);
        std::fflush(file);
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    std::fclose(file);
}

std::string Md5Of(const std::wstring& path) { return Utils::GetFileMd5(platform::PathToNative(path)); }

TEST(DigestFollower, DigestsAFileWhileItIsWrittenAndAfterItIsRenamed) {
    testing_support::TempFolder folder;
    const std::wstring part = folder.Path() + L"/setup.exe.part";
    const std::wstring target = folder.Path() + L"/setup.exe";
    const std::string body = Bytes(3 * 1024 * 1024 + 17, 1);
    Utils::FileDigestFollower follower;
    follower.Follow(part);  // made only later by its writer
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::thread writer([&] { AppendSlowly(part, body, 64 * 1024 + 3); });
    writer.join();
    // Whole before it is moved away: from here the follower holds it, however late it looked.
    follower.Seal(0, body.size());
    ASSERT_TRUE(platform::RenameFile(part, target));
    const std::string digest = follower.Finish(target);
    EXPECT_EQ(digest.size(), 32u);
    EXPECT_EQ(digest, Md5Of(target));
}

TEST(DigestFollower, FollowsWithTheAlgorithmTheAddressNames) {
    testing_support::TempFolder folder;
    const std::wstring part = folder.Path() + L"/setup.exe.part";
    const std::string body = Bytes(2 * 1024 * 1024 + 3, 9);
    const std::string sha256 = Utils::GetFileDigest(platform::PathToNative(folder.WriteFile(L"copy", body)),
                                                    platform::DigestAlgorithm::kSha256);
    auto follower = Utils::FollowDownload("http://h/p/" + sha256 + "/setup.exe", {part});
    ASSERT_NE(follower, nullptr);
    AppendSlowly(part, body, 100000);
    EXPECT_EQ(follower->Finish(part), sha256);
    EXPECT_EQ(Utils::DownloadedFileDigest(follower.get(), part, sha256), sha256);
    EXPECT_EQ(Utils::FollowDownload("http://h/p/" + std::string(63, 'a') + "/setup.exe", {part}), nullptr);
}

TEST(DigestFollower, PartsSealedBeforeTheyAreMergedGiveTheDigestOfTheWhole) {
    testing_support::TempFolder folder;
    const std::wstring first = folder.WriteFile(L"pkg_0", "");
    const std::wstring second = folder.Path() + L"/pkg_1";
    const std::string head = Bytes(2 * 1024 * 1024 + 5, 2), tail = Bytes(1024 * 1024 + 999, 3);
    Utils::FileDigestFollower follower;
    follower.Follow(first);
    follower.Follow(second);
    std::thread a([&] { AppendSlowly(first, head, 50000); });
    std::thread b([&] { AppendSlowly(second, tail, 70000); });
    a.join();
    b.join();
    follower.Seal(0, head.size());
    follower.Seal(1, tail.size());
    // The merge appends part 1 to part 0: those bytes must not be counted twice.
    AppendSlowly(first, tail, 1 << 20);
    const std::wstring target = folder.Path() + L"/pkg";
    ASSERT_TRUE(platform::RenameFile(first, target));
    platform::RemoveFile(second);
    EXPECT_EQ(follower.Finish(target), Md5Of(target));
}

// Whatever cannot be shown to be the followed bytes gives no digest, and the check reads the
// finished file whole instead.
TEST(DigestFollower, GivesNoDigestForWhatItCannotVouchFor) {
    testing_support::TempFolder folder;
    const std::string body = Bytes(200000, 4);
    {  // the path was replaced by another file with the same bytes
        const std::wstring part = folder.WriteFile(L"a.part", body);
        Utils::FileDigestFollower follower;
        follower.Follow(part);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        platform::RemoveFile(part);
        folder.WriteFile(L"a.part", body);
        EXPECT_EQ(follower.Finish(part), "");
        EXPECT_EQ(Utils::DownloadedFileDigest(&follower, part, Md5Of(part)), Md5Of(part));
    }
    {  // the file never appeared
        Utils::FileDigestFollower follower;
        follower.Follow(folder.Path() + L"/never.part");
        EXPECT_EQ(follower.Finish(folder.Path() + L"/never.part"), "");
    }
    {  // sealed longer than it is
        const std::wstring part = folder.WriteFile(L"b.part", body);
        Utils::FileDigestFollower follower;
        follower.Follow(part);
        follower.Seal(0, body.size() + 1);
        EXPECT_EQ(follower.Finish(part), "");
    }
    {  // grown after it was sealed: the result is not the followed bytes
        const std::wstring part = folder.WriteFile(L"c.part", body);
        Utils::FileDigestFollower follower;
        follower.Follow(part);
        follower.Seal(0, body.size() - 10);
        EXPECT_EQ(follower.Finish(part), "");
    }
    {  // another file as the result
        const std::wstring part = folder.WriteFile(L"d.part", body);
        const std::wstring other = folder.WriteFile(L"other", body);
        Utils::FileDigestFollower follower;
        follower.Follow(part);
        EXPECT_EQ(follower.Finish(other), "");
    }
}

TEST(DigestFollower, AMismatchIsAlwaysReadFromTheStoredFile) {
    testing_support::TempFolder folder;
    const std::wstring part = folder.WriteFile(L"e.part", Bytes(100000, 5));
    Utils::FileDigestFollower follower;
    follower.Follow(part);
    // Unreadable and absent files never pass.
    EXPECT_EQ(Utils::DownloadedFileDigest(&follower, part, "0123456789abcdef0123456789abcdef"), Md5Of(part));
    EXPECT_EQ(Utils::DownloadedFileDigest(nullptr, folder.Path() + L"/missing", std::string(32, '0')), "");
    // A stop asked while the file is read whole gives no digest to compare.
    const std::atomic<bool> stop{true};
    EXPECT_EQ(Utils::DownloadedFileDigest(nullptr, part, std::string(64, 'a'), &stop), "");
}

TEST(DigestFollower, StopsWithoutFinishWhileWaitingForAWriter) {
    testing_support::TempFolder folder;
    const std::wstring part = folder.WriteFile(L"f.part", "partial");
    {
        Utils::FileDigestFollower follower;
        follower.Follow(part);
        follower.Follow(folder.Path() + L"/f_1");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }  // the destructor ends the thread that still waits for bytes (a hang fails by the timeout)
}

}  // namespace
