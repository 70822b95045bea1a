// Replays the fuzzers' inputs kept under fuzz_cases/: each must build, lay out and paint (or be
// refused) without a crash or an arithmetic fault under the sanitizers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "skinui/markup/value_parser.h"
#include "tests/skinui/fuzz_feed.h"

namespace {

std::vector<std::filesystem::path> Cases(const char* kind) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(KELVO_FUZZ_CASES) / kind)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    return files;
}

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(FuzzCases, MarkupInputsBuildOrFailCleanly) {
    std::vector<std::filesystem::path> files = Cases("markup");
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        std::string bytes = Read(file);
        skin_fuzz::FeedMarkup(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
}

TEST(FuzzCases, ImageStringInputsDrawOrAreRefused) {
    std::vector<std::filesystem::path> files = Cases("image_string");
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        std::string bytes = Read(file);
        skin_fuzz::FeedImageString(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
}

TEST(FuzzCases, MarkupLengthsAreKeptWithinTheLayoutRange) {
    EXPECT_EQ(SkinUI::ParseLength(L"2147483647"), SkinUI::kMaxLength);
    EXPECT_EQ(SkinUI::ParseLength(L"-99999999999"), -SkinUI::kMaxLength);
    EXPECT_EQ(SkinUI::ParseLength(L"520"), 520);
    EXPECT_EQ(SkinUI::ParseRect(L"-2147483648,99999999999,3,-4"),
              (SkinUI::UiRect{-SkinUI::kMaxLength, SkinUI::kMaxLength, 3, -4}));
}
