#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <regex>

#include "platform/file_system.h"
#include "tests/support/temp_folder.h"
#include "utils/digest.h"

namespace {

// The digest the system's own tool prints for the file.
#ifndef _WIN32
std::string RunTool(const std::string& tool, const std::string& path) {
    std::string command = tool + " '" + path + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buffer[80] = {};
    if (!pipe || !std::fgets(buffer, sizeof buffer, pipe.get())) return {};
    return std::string(buffer).substr(0, std::string(buffer).find(' '));
}
#endif

TEST(Digest, FileDigestsMatchTheSystemTools) {
    testing_support::TempFolder folder;
    std::string bytes;
    for (std::uint64_t i = 0; i < 300000; ++i) bytes += static_cast<char>((i * 7919) % 251);
    const std::string native = platform::PathToNative(folder.WriteFile(L"package.bin", bytes));
#ifdef _WIN32
    // What md5sum and sha256sum print for these bytes.
    EXPECT_EQ(Utils::GetFileMd5(native), "2359b3063b928d91794364d5322baa19");
    EXPECT_EQ(Utils::GetFileDigest(native, platform::DigestAlgorithm::kSha256),
              "8c2d8ae844f0b98f041a85f0208f857e73cdc7e22492308755d3657480439207");
#else
    EXPECT_EQ(Utils::GetFileMd5(native), RunTool("md5sum", native));
    EXPECT_EQ(Utils::GetFileDigest(native, platform::DigestAlgorithm::kSha256), RunTool("sha256sum", native));
#endif
    const std::string empty = platform::PathToNative(folder.WriteFile(L"empty.bin", ""));
    EXPECT_EQ(Utils::GetFileMd5(empty), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Utils::GetFileDigest(empty, platform::DigestAlgorithm::kSha256),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(Digest, SegmentLengthAndDigitsNameTheAlgorithm) {
    using platform::DigestAlgorithm;
    const std::string sha = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
    const std::pair<std::string, std::optional<DigestAlgorithm>> cases[] = {
        {"d41d8cd98f00b204e9800998ecf8427e", DigestAlgorithm::kMd5},
        {"software-711-not-a-digest-at-all", DigestAlgorithm::kMd5},  // any 32 characters, as ever
        {sha, DigestAlgorithm::kSha256},
        {"E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855", DigestAlgorithm::kSha256},
        {sha.substr(0, 63) + "g", std::nullopt},
        {sha + "0", std::nullopt},
        {"711", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [segment, algorithm] : cases) EXPECT_EQ(Utils::DigestAlgorithmOf(segment), algorithm) << segment;
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
