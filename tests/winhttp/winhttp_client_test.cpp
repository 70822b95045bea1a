#include "download/winhttp_client.h"

#include <gtest/gtest.h>

#include <optional>

#include "download/http_headers.h"

namespace {

TEST(WinHttpClientTest, RequestsThatCannotBeMadeFailAtOnce) {
    WinHttpClient empty(L"");
    EXPECT_FALSE(empty.SendHttpRequest(L"GET"));
    EXPECT_EQ(empty.m_lastError, 3u);
    for (const wchar_t* verb : {L"HEAD", L"PUT", L"", L"GETS"}) {
        WinHttpClient client(L"http://127.0.0.1:1/x");
        EXPECT_FALSE(client.SendHttpRequest(verb));
        EXPECT_EQ(client.m_lastError, 87u);
        EXPECT_EQ(client.m_session, nullptr);  // refused before any session
    }
}

TEST(WinHttpClientTest, DefaultsAreTheDocumentedOnes) {
    WinHttpClient client(L"http://h/");
    EXPECT_TRUE(client.m_strictCertificates);
    EXPECT_EQ(client.m_userAgent, L"WinHttpClient");
    EXPECT_EQ(client.m_connectTimeout, 60000);
    EXPECT_EQ(client.m_sendTimeout, 30000);
    EXPECT_EQ(client.m_receiveTimeout, 30000);
    EXPECT_EQ(client.m_resolveTimeout, 0);
    EXPECT_TRUE(client.m_keepWriting);
}

TEST(WinHttpClientTest, RefusedConnectionFailsAfterItsAttempts) {
    // Port 1 on loopback has no listener.
    WinHttpClient client(L"http://127.0.0.1:1/x");
    client.m_connectTimeout = 2000;
    EXPECT_FALSE(client.SendHttpRequest(L"get"));
    EXPECT_EQ(client.m_lastError, 12029u);
    EXPECT_EQ(client.m_host, L"127.0.0.1");
}

TEST(WinHttpClientTest, HeaderValuesAreFoundByNameInAnyCase) {
    const std::wstring headers =
        L"HTTP/1.1 302 Found\r\ncontent-type: text/html; Charset=UTF-8\r\n"
        L"CONTENT-LENGTH: 1234\r\nlocation: http://127.0.0.1/next?a=b\r\nX-Note: Location: elsewhere\r\n"
        L"Set-Cookie:  a=1\r\nset-cookie: b=2; Path=/\r\nSet-Cookie:\tc=3\nContent-Range: bytes 5-9/10\r\n\r\n";
    EXPECT_EQ(http_headers::CharsetOf(headers), L"UTF-8");
    EXPECT_EQ(http_headers::FirstValue(headers, L"Content-Length", 32), L"1234");
    EXPECT_EQ(http_headers::FirstValue(headers, L"Location", 100), L"http://127.0.0.1/next?a=b");
    EXPECT_EQ(http_headers::Values(headers, L"Set-Cookie", 100), (std::vector<std::wstring>{L"a=1", L"b=2; Path=/", L"c=3"}));
    EXPECT_EQ(http_headers::Values(headers, L"Set-Cookie", 2, 2), (std::vector<std::wstring>{L"a=", L"b="}));
    EXPECT_EQ(http_headers::FirstValue(headers, L"Range", 100), std::nullopt);
    EXPECT_EQ(http_headers::CharsetOf(L"HTTP/1.1 200 OK\r\nX-Charset: charset=latin1\r\n\r\n"), L"");
}

TEST(WinHttpClientTest, LengthsAndRangesAreReadStrictly) {
    const std::pair<const wchar_t*, std::optional<std::uint64_t>> lengths[] = {
        {L"0", 0}, {L" 5000000000 ", 5000000000ull}, {L"18446744073709551615", 18446744073709551615ull},
        {L"18446744073709551616", std::nullopt}, {L"12a", std::nullopt}, {L"-1", std::nullopt}, {L"", std::nullopt},
    };
    for (const auto& [text, length] : lengths) EXPECT_EQ(http_headers::ParseLength(text), length) << text;

    struct Range {
        const char* text;
        bool valid;
        std::uint64_t first, last;
        std::optional<std::uint64_t> length;
    };
    const Range ranges[] = {
        {"bytes 100-199/1000", true, 100, 199, 1000},
        {"Bytes 0-0/*", true, 0, 0, std::nullopt},
        {"bytes 100-199/150", false, 0, 0, std::nullopt},  // ends past the length
        {"bytes 200-100/1000", false, 0, 0, std::nullopt},
        {"bytes */1000", false, 0, 0, std::nullopt},
        {"items 1-2/3", false, 0, 0, std::nullopt},
        {"bytes 1-2", false, 0, 0, std::nullopt},
    };
    for (const Range& range : ranges) {
        const auto parsed = http_headers::ParseContentRange(range.text);
        ASSERT_EQ(parsed.has_value(), range.valid) << range.text;
        if (!parsed) continue;
        EXPECT_EQ(parsed->first, range.first);
        EXPECT_EQ(parsed->last, range.last);
        EXPECT_EQ(parsed->length, range.length);
    }
}

}  // namespace
