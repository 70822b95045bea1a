#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/utf8.h"
#include "tests/support/wine.h"

TEST(Utf8, RejectsWhatIsNotUtf8AndReplacesWhenAskedTo) {
    EXPECT_EQ(platform::Utf8ToWideStrict("\xE4\xB8\xAD"), std::wstring(L"中"));
    EXPECT_EQ(platform::Utf8ToWideStrict("\xF0\x9F\x98\x80"), std::wstring(1, wchar_t(0x1F600)));
    for (const char* bad : {"\xC0\xAF", "\xE4\xB8", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "\xFF"})
        EXPECT_FALSE(platform::Utf8ToWideStrict(bad)) << bad;
    EXPECT_EQ(platform::Utf8ToWideLossy("a\xFF" "b"), L"a\xFFFD" L"b");
    EXPECT_EQ(platform::WideToUtf8(std::wstring(1, wchar_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(platform::WideToUtf8(L"中文"), "\xE4\xB8\xAD\xE6\x96\x87");
}

TEST(CodePage, ConvertsThroughTheNamedPage) {
    EXPECT_EQ(platform::DecodeCodePage("\xD6\xD0\xCE\xC4", 936), std::wstring(L"中文"));
    EXPECT_EQ(platform::DecodeCodePage("\xE9", 1252), std::wstring(L"é"));
    EXPECT_EQ(platform::EncodeCodePage(L"中文", 936), std::string("\xD6\xD0\xCE\xC4"));
    EXPECT_FALSE(platform::DecodeCodePage("\xD6", 936));          // cut in the middle of a character
    EXPECT_FALSE(platform::DecodeCodePage("abc", 4242424));        // no such code page
    EXPECT_FALSE(platform::DecodeCodePage("\xFF\xFE", platform::kUtf8CodePage));
    EXPECT_EQ(platform::DecodeCodePage("", 936), std::wstring());
    // Longer than one conversion block.
    std::string many;
    for (int i = 0; i < 5000; ++i) many += "\xD6\xD0";
    auto decoded = platform::DecodeCodePage(many, 936);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), 5000u);
}

TEST(CodePage, WindowsNumbersThatIconvNamesOtherwise) {
    // Wine 8 has no GB18030 (54936) or GB2312 (20936) tables, and refuses both as Windows refuses
    // a code page it lacks.
    if (testing_support::RunningUnderWine()) {
        EXPECT_FALSE(platform::DecodeCodePage("\xD6\xD0", 54936));
        EXPECT_FALSE(platform::DecodeCodePage("\xD6\xD0", 20936));
    } else {
        EXPECT_EQ(platform::DecodeCodePage("\x81\x30\x81\x30", 54936), std::wstring(1, wchar_t(0x80)));
        EXPECT_EQ(platform::DecodeCodePage("\xD6\xD0", 20936), std::wstring(L"中"));
    }
    EXPECT_EQ(platform::DecodeCodePage(std::string("A\0", 2), 1200), std::wstring(L"A"));
    EXPECT_EQ(platform::DecodeCodePage("\xE9", 28591), std::wstring(L"é"));
}
