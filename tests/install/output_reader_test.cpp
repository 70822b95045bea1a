#include "install/output_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/utf8.h"

namespace {

using PackageOutput::Reader;

struct Collected {
    std::vector<std::wstring> lines;
    std::vector<bool> clean;
    Reader reader{[this](const std::wstring& line, bool decodedCleanly) {
        lines.push_back(line);
        clean.push_back(decodedCleanly);
        if (line == L"OK") return PackageOutput::kSuccessResult;
        if (line == L"BAD") return PackageOutput::kFailureResult;
        return PackageOutput::kNoResult;
    }};

    void FeedInPieces(const std::string& bytes, std::size_t piece) {
        for (std::size_t at = 0; at < bytes.size(); at += piece)
            reader.Feed(bytes.data() + at, std::min(piece, bytes.size() - at));
        reader.Finish();
    }
};

TEST(PackageOutputReaderTest, LinesComeOutTheSameHoweverTheReadsCutThem) {
    // CR stays with its line; the text after the last line feed is a line of its own; a Chinese
    // character in UTF-8 may be cut between two reads.
    const std::string stream = "Progress=0.5\r\nMessage=\xe5\xae\x89\xe8\xa3\x85\n\nState=Success";
    const std::vector<std::wstring> expected = {L"Progress=0.5\r", L"Message=安装", L"",
                                                L"State=Success"};
    for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
        Collected collected;
        collected.reader.codePage = 65001;
        collected.FeedInPieces(stream, piece);
        EXPECT_EQ(collected.lines, expected) << "reads of " << piece << " bytes";
    }
}

TEST(PackageOutputReaderTest, EveryTwoWaySplitJoinsTheLineAgain) {
    const std::string stream = "State=Fail\n";
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        Collected collected;
        collected.reader.Feed(stream.data(), cut);
        collected.reader.Feed(stream.data() + cut, stream.size() - cut);
        collected.reader.Finish();
        EXPECT_EQ(collected.lines, std::vector<std::wstring>{L"State=Fail"}) << "cut at " << cut;
    }
}

TEST(PackageOutputReaderTest, ResultOfAReadIsItsFirstResultLineAndLaterLinesAreStillParsed) {
    Collected collected;
    const std::string bytes = "OK\nBAD\nafter\n";
    EXPECT_EQ(collected.reader.Feed(bytes.data(), bytes.size()), PackageOutput::kSuccessResult);
    EXPECT_EQ(collected.lines.size(), 3u);
    const std::string quiet = "x\ny";
    EXPECT_EQ(collected.reader.Feed(quiet.data(), quiet.size()), PackageOutput::kNoResult);
    EXPECT_EQ(collected.reader.Finish(), PackageOutput::kNoResult);
    EXPECT_EQ(collected.reader.Finish(), PackageOutput::kNoResult);  // nothing left the second time
    EXPECT_EQ(collected.lines.back(), L"y");
}

TEST(PackageOutputReaderTest, ZeroByteEndsOnlyItsOwnLine) {
    Collected collected;
    collected.FeedInPieces(std::string("noise\0tail\nBAD\n", 15), 1024);
    EXPECT_EQ(collected.lines, (std::vector<std::wstring>{L"noise", L"BAD"}));
}

TEST(PackageOutputReaderTest, EndlessLineIsCutAndTheNextLineSurvives) {
    Collected collected;
    collected.reader.codePage = 65001;
    // Three-byte characters, so the limit falls inside one.
    std::string endless;
    while (endless.size() < 4 * Reader::kMaxLineBytes) endless += "\xe9\x95\xbf";
    collected.FeedInPieces("Message=" + endless + "\nBAD\n", 1000);
    ASSERT_EQ(collected.lines.size(), 2u);
    EXPECT_EQ(collected.lines[0].substr(0, 9), L"Message=长");
    EXPECT_EQ(collected.lines[0].find(L'\uFFFD'), std::wstring::npos);
    EXPECT_LE(collected.lines[0].size(), Reader::kMaxLineBytes);
    EXPECT_EQ(collected.lines[1], L"BAD");
}

TEST(PackageOutputReaderTest, UndecodableBytesKeepTheKeyReadable) {
    Collected collected;
    collected.reader.codePage = 65001;
    collected.FeedInPieces("State=Fail\xff\xfe\nError=\x80x\nInstPath=/opt\n", 1024);
    EXPECT_EQ(collected.lines, (std::vector<std::wstring>{L"State=Fail\uFFFD\uFFFD", L"Error=\uFFFDx",
                                                          L"InstPath=/opt"}));
    EXPECT_EQ(collected.clean, (std::vector<bool>{false, false, true}));
}

TEST(PackageOutputReaderTest, WideCodePagesEndLinesAtTheirOwnLineFeed) {
    // After "Encode=1200" a Windows program writes UTF-16LE: every other byte is zero, and 0x0A
    // is half of many a character (U+0A00, U+4E0A "上").
    auto utf16 = [](const std::wstring& text, bool bigEndian) {
        std::string bytes;
        for (wchar_t c : text) {
            const char low = static_cast<char>(c & 0xFF), high = static_cast<char>((c >> 8) & 0xFF);
            bytes += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        return bytes;
    };
    for (const auto& [page, bigEndian] : {std::pair{1200u, false}, std::pair{1201u, true}}) {
        const std::wstring announce = L"Encode=" + std::to_wstring(page);
        const std::string stream = platform::WideToUtf8(announce) + "\n" +
                                   utf16(L"\uFEFFMessage=上\u0A00\nState=Success\r\n", bigEndian);
        for (std::size_t piece = 1; piece <= 5; ++piece) {
            std::vector<std::wstring> lines;
            Reader reader([&](const std::wstring& line, bool) {
                if (line == announce) reader.codePage = page;
                lines.push_back(line);
                return PackageOutput::kNoResult;
            });
            for (std::size_t at = 0; at < stream.size(); at += piece)
                reader.Feed(stream.data() + at, std::min(piece, stream.size() - at));
            reader.Finish();
            EXPECT_EQ(lines, (std::vector<std::wstring>{announce, L"Message=上\u0A00", L"State=Success\r"}))
                << page << " in reads of " << piece;
        }
    }
}

TEST(PackageOutputReaderTest, CodePageChangeAppliesToTheFollowingLines) {
    std::vector<std::wstring> lines;
    Reader reader([&](const std::wstring& line, bool) {
        lines.push_back(line);
        return PackageOutput::kNoResult;
    });
    reader.codePage = 65001;
    const std::string first = "M=\xe5\xae\x89\n";  // UTF-8
    reader.Feed(first.data(), first.size());
    reader.codePage = 936;
    const std::string second = "M=\xb0\xb2\n";  // the same character in GBK
    reader.Feed(second.data(), second.size());
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"M=安", L"M=安"}));
}

TEST(PackageOutputValuesTest, NumbersReadLikeScanf) {
    struct Case {
        const wchar_t* text;
        double number;
        std::int32_t integer;
    };
    const Case cases[] = {
        {L"0.5", 0.5, 0},        {L"  12\r", 12, 12},     {L"+3", 3, 3},
        {L"-1", -1, -1},         {L"1e3", 1000, 1},       {L"42abc", 42, 42},
        {L"abc", 0, 0},          {L"", 0, 0},             {L"nan", 0, 0},
        {L"inf", 0, 0},          {L"99999999999", 99999999999.0, 0},
        {L"-2147483648", -2147483648.0, -2147483647 - 1}, {L"２", 0, 0},
        // One sign only, as scanf reads it.
        {L"+-5", 0, 0},          {L"-+5", 0, 0},          {L"--1", 0, 0},
        {L" -0.25", -0.25, 0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(PackageOutput::NumberValue(c.text), c.number) << c.text;
        EXPECT_EQ(PackageOutput::IntegerValue(c.text), c.integer) << c.text;
    }
}

TEST(PackageOutputValuesTest, KeysMatchExactlyAtTheStart) {
    std::wstring value;
    EXPECT_TRUE(PackageOutput::MatchKey(L"State=Success", L"State=", value));
    EXPECT_EQ(value, L"Success");
    EXPECT_TRUE(PackageOutput::MatchKey(L"State=", L"State=", value));
    EXPECT_EQ(value, L"");
    EXPECT_FALSE(PackageOutput::MatchKey(L"state=Success", L"State=", value));
    EXPECT_FALSE(PackageOutput::MatchKey(L" State=Success", L"State=", value));
    EXPECT_FALSE(PackageOutput::MatchKey(L"State", L"State=", value));
    EXPECT_EQ(PackageOutput::TextValue(std::wstring(5000, L'x')).size(), 771u);
}

}  // namespace
