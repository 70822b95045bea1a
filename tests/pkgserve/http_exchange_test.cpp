// The server's reading of ranges, targets and request heads.
#include <gtest/gtest.h>

#include "tools/pkgserve/http_exchange.h"

namespace {

using pkgserve::ByteRange;
using pkgserve::RangeStatus;

TEST(RangeTest, ByteRangesAgainstALength) {
    struct Case {
        const char* value;
        std::uint64_t length;
        RangeStatus status;
        std::uint64_t first, last;
    };
    const Case cases[] = {
        {"bytes=0-99", 1000, RangeStatus::kPart, 0, 99},
        {"bytes=500-", 1000, RangeStatus::kPart, 500, 999},
        {"bytes=999-999", 1000, RangeStatus::kPart, 999, 999},
        {"bytes=900-5000", 1000, RangeStatus::kPart, 900, 999},  // the end is clamped
        {"bytes=-10", 1000, RangeStatus::kPart, 990, 999},       // the last ten bytes
        {"bytes=-5000", 1000, RangeStatus::kPart, 0, 999},       // a suffix longer than the body
        {"Bytes=1-2 ", 1000, RangeStatus::kPart, 1, 2},
        {"bytes=15728640-31457280", 31457281, RangeStatus::kPart, 15728640, 31457280},
        {"bytes=1000-", 1000, RangeStatus::kUnsatisfiable, 0, 0},
        {"bytes=1000-2000", 1000, RangeStatus::kUnsatisfiable, 0, 0},
        {"bytes=-0", 1000, RangeStatus::kUnsatisfiable, 0, 0},
        {"bytes=0-", 0, RangeStatus::kUnsatisfiable, 0, 0},
        {"bytes=-1", 0, RangeStatus::kUnsatisfiable, 0, 0},
        // Ignored: the whole body is sent.
        {"bytes=5-4", 1000, RangeStatus::kWhole, 0, 0},
        {"bytes=0-1,5-6", 1000, RangeStatus::kWhole, 0, 0},
        {"items=0-1", 1000, RangeStatus::kWhole, 0, 0},
        {"bytes=a-b", 1000, RangeStatus::kWhole, 0, 0},
        {"bytes=-", 1000, RangeStatus::kWhole, 0, 0},
        {"bytes=99999999999999999999-", 1000, RangeStatus::kWhole, 0, 0},
        {"bytes=1", 1000, RangeStatus::kWhole, 0, 0},
    };
    for (const Case& c : cases) {
        ByteRange range;
        EXPECT_EQ(pkgserve::ParseRange(c.value, c.length, range), c.status) << c.value;
        if (c.status == RangeStatus::kPart) {
            EXPECT_EQ(range.first, c.first) << c.value;
            EXPECT_EQ(range.last, c.last) << c.value;
        }
    }
}

TEST(TargetTest, PathsAreDecodedAndEscapesFromThePublishedTreeRefused) {
    struct Case {
        const char* target;
        bool accepted;
        std::vector<std::string> segments;
    };
    const Case cases[] = {
        {"/files/a.exe", true, {"files", "a.exe"}},
        {"/files/b%20c%E4%BD%A0.exe?x=1#top", true, {"files", "b c\xE4\xBD\xA0.exe"}},
        {"http://127.0.0.1:8080/packages/abc/a.exe", true, {"packages", "abc", "a.exe"}},
        {"/", true, {""}},
        {"/files/../secret", false, {}},
        {"/files/%2e%2E/secret", false, {}},
        {"/files/..%2Fsecret", false, {}},
        {"/files/..%5csecret", false, {}},
        {"/files/./a.exe", false, {}},
        {"/files/a%00.exe", false, {}},
        {"/files/a%zz", false, {}},
        {"/files/a%4", false, {}},
        {"files/a.exe", false, {}},
        {"*", false, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> segments;
        EXPECT_EQ(pkgserve::DecodeTargetPath(c.target, segments), c.accepted) << c.target;
        if (c.accepted) {
            EXPECT_EQ(segments, c.segments) << c.target;
        }
    }
    // A published name comes back whole, whatever it holds.
    const std::string name = "a b%?#+\xE4\xBD\xA0.exe";
    std::vector<std::string> segments;
    ASSERT_TRUE(pkgserve::DecodeTargetPath("/files/" + pkgserve::EscapeSegment(name), segments));
    EXPECT_EQ(segments, (std::vector<std::string>{"files", name}));
}

TEST(RequestHeadTest, HeadsArriveInPiecesAndDecideTheConnection) {
    const std::string head = "GET /files/a HTTP/1.1\r\nHost: x\r\nRange:  bytes=1-2 \r\n\r\nNEXT";
    pkgserve::Request request;
    std::size_t length = 0;
    for (std::size_t cut = 0; cut < head.size() - 4; ++cut)
        ASSERT_EQ(pkgserve::ParseRequestHead(head.substr(0, cut), request, length), pkgserve::HeadStatus::kIncomplete) << cut;
    ASSERT_EQ(pkgserve::ParseRequestHead(head, request, length), pkgserve::HeadStatus::kComplete);
    EXPECT_EQ(length, head.size() - 4);
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/files/a");
    EXPECT_EQ(request.Header("range"), "bytes=1-2");
    EXPECT_TRUE(request.KeepAlive());

    struct Case {
        const char* head;
        pkgserve::HeadStatus status;
        bool keepAlive;
    };
    const Case cases[] = {
        {"\r\nHEAD / HTTP/1.1\nConnection: Upgrade, Close\n\n", pkgserve::HeadStatus::kComplete, false},
        {"GET / HTTP/1.0\r\n\r\n", pkgserve::HeadStatus::kComplete, false},
        {"GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n", pkgserve::HeadStatus::kComplete, true},
        {"GET / HTTP/2.0\r\n\r\n", pkgserve::HeadStatus::kMalformed, false},
        {"GET /\r\n\r\n", pkgserve::HeadStatus::kMalformed, false},
        {"GET / HTTP/1.1\r\nno colon\r\n\r\n", pkgserve::HeadStatus::kMalformed, false},
        {"GET / HTTP/1.1\r\nA: b\r\n folded\r\n\r\n", pkgserve::HeadStatus::kMalformed, false},
        {"G(T / HTTP/1.1\r\n\r\n", pkgserve::HeadStatus::kMalformed, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pkgserve::ParseRequestHead(c.head, request, length), c.status) << c.head;
        if (c.status == pkgserve::HeadStatus::kComplete) {
            EXPECT_EQ(request.KeepAlive(), c.keepAlive) << c.head;
        }
    }
}

}  // namespace
