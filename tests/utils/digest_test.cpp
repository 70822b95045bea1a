#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "platform/file_system.h"
#include "tests/support/temp_folder.h"
#include "utils/digest.h"

namespace {

std::string RunMd5sum(const std::string& path) {
    std::string command = "md5sum '" + path + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buffer[64] = {};
    if (!pipe || !std::fgets(buffer, 33, pipe.get())) return {};
    return buffer;
}

TEST(Digest, FileMd5MatchesMd5sum) {
    testing_support::TempFolder folder;
    std::string bytes;
    for (std::uint64_t i = 0; i < 300000; ++i) bytes += static_cast<char>((i * 7919) % 251);
    std::wstring path = folder.WriteFile(L"package.bin", bytes);
    std::string native = platform::PathToNative(path);
    EXPECT_EQ(Utils::GetFileMd5(native), RunMd5sum(native));
    std::wstring empty = folder.WriteFile(L"empty.bin", "");
    EXPECT_EQ(Utils::GetFileMd5(platform::PathToNative(empty)), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Digest, FileThatCannotBeReadHasNoDigest) {
    testing_support::TempFolder folder;
    EXPECT_EQ(Utils::GetFileMd5(""), "");
    EXPECT_EQ(Utils::GetFileMd5(folder.NativePath() + "/missing.exe"), "");
    EXPECT_EQ(Utils::GetFileMd5(folder.NativePath()), "");  // a folder opens but cannot be read
}

TEST(Digest, TakesTheSegmentBeforeTheLast) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://h/files/0123abcd/setup.exe", "0123abcd"},
        {"http://h/a/b/?x=1/y", "?x=1"},  // query text is not stripped
        {"http://h/a//setup.exe", ""},
        {"setup.exe", ""},
        {"/setup.exe", ""},
        {"a/setup.exe", ""},
        {"", ""},
    };
    for (auto [url, segment] : cases) EXPECT_EQ(Utils::GetMd5FromUrl(url), segment) << url;
}

TEST(Digest, GuidTextHasItsMixedCase) {
    const std::wregex pattern(L"[0-9A-F]{12}[0-9a-f]{4}[0-9A-F]{16}");
    std::wstring previous;
    for (int i = 0; i < 64; ++i) {
        std::wstring guid = Utils::CreateGuidString();
        EXPECT_TRUE(std::regex_match(guid, pattern)) << guid;
        EXPECT_NE(guid, previous);
        previous = guid;
    }
}

}  // namespace
