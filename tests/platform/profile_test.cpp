#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/profile.h"
#include "tests/support/temp_folder.h"

using namespace std::string_literals;

namespace {

std::wstring Read(const std::wstring& text, const std::wstring& key,
                  const std::wstring& fallback = L"<none>", std::size_t buffer = 260) {
    return platform::GetProfileStringFromText(text, L"Install", key, fallback, buffer);
}

TEST(Profile, FindsValuesByTheWindowsRules) {
    const std::wstring text =
        L"; comment\n"
        L"garbage line without equals\n"
        L"[Other]\nUrl=wrong\n"
        L"[ install ]\n"
        L"  Url =  http://a/b  \n"
        L"Quoted=\"  spaced  \"\n"
        L"Single='x'\n"
        L"Empty=\n"
        L"Url=second\n"
        L"[Install]\nLate=never seen\n";
    EXPECT_EQ(Read(text, L"URL"), L"http://a/b");      // names without regard to case, trimmed
    EXPECT_EQ(Read(text, L"Quoted"), L"  spaced  ");   // quotes removed, content kept
    EXPECT_EQ(Read(text, L"Single"), L"x");
    EXPECT_EQ(Read(text, L"Empty"), L"");              // present but empty is not the default
    EXPECT_EQ(Read(text, L"Missing"), L"<none>");
    EXPECT_EQ(Read(text, L"Late"), L"<none>");         // only the first section of a name counts
    EXPECT_EQ(Read(L"[Other]\nUrl=x\n", L"Url", L"fallback  "), L"fallback");
}

TEST(Profile, CutsValuesToTheBuffer) {
    std::wstring value(300, L'v');
    EXPECT_EQ(Read(L"[Install]\nUrl=" + value, L"Url").size(), 259u);
    EXPECT_EQ(Read(L"[Install]\nUrl=abc", L"Url", L"", 3), L"ab");
    EXPECT_EQ(Read(L"[Install]\nUrl=abc", L"Url", L"", 0), L"");
}

TEST(Profile, DecodesByteOrderMarksAndLineEnds) {
    const std::string utf8Bom = "\xEF\xBB\xBF[Install]\r\nName=\xE4\xB8\xAD\xE6\x96\x87\r\n";
    EXPECT_EQ(Read(platform::DecodeProfileBytes(utf8Bom), L"Name"), L"中文");

    std::string utf16 = "\xFF\xFE";
    for (wchar_t c : std::wstring(L"[Install]\r\nName=\x4E2D\r\n")) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    EXPECT_EQ(Read(platform::DecodeProfileBytes(utf16), L"Name"), L"中");

    // Invalid bytes and binary noise never stop the reader.
    const std::string noise = "[Install]\nA=\xFF\xFE\x00\x01z\nB=ok"s;
    EXPECT_EQ(Read(platform::DecodeProfileBytes(noise), L"B"), L"ok");
    EXPECT_EQ(Read(platform::DecodeProfileBytes(std::string("\xC3", 1)), L"B"), L"<none>");
}

TEST(Profile, WritingKeepsOtherLinesAndReplacesTheValue) {
    testing_support::TempFolder folder;
    std::wstring path = folder.WriteFile(L"set.ini", "; keep me\r\n[Uninstall]\r\nA=1\r\nIsOverride=false\r\n[Other]\r\nB=2\r\n");
    ASSERT_TRUE(platform::WriteProfileString(L"uninstall", L"isoverride", L"true", path));
    ASSERT_TRUE(platform::WriteProfileString(L"Uninstall", L"New", L"n", path));
    ASSERT_TRUE(platform::WriteProfileString(L"Fresh", L"K", L"v", path));
    auto bytes = testing_support::ReadFile(path);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes,
              "; keep me\r\n[Uninstall]\r\nA=1\r\nisoverride=true\r\nNew=n\r\n[Other]\r\nB=2\r\n[Fresh]\r\nK=v\r\n");
    EXPECT_EQ(platform::GetProfileString(L"Uninstall", L"IsOverride", L"", 260, path), L"true");

    std::wstring created = folder.Join(L"new.ini");
    ASSERT_TRUE(platform::WriteProfileString(L"S", L"K", L"v", created));
    EXPECT_EQ(platform::GetProfileString(L"S", L"K", L"", 260, created), L"v");
    EXPECT_FALSE(platform::WriteProfileString(L"S", L"K", L"v", folder.Join(L"missing/dir/x.ini")));
}

}  // namespace
