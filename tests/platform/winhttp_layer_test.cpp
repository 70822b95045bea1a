#include "platform/winhttp.h"

#include <gtest/gtest.h>

namespace http = platform::winhttp;

namespace {

TEST(WinHttpLayerTest, CrackUrlSplitsSchemeHostPortAndPath) {
    struct Case {
        const wchar_t* url;
        bool ok;
        bool secure;
        const wchar_t* host;
        int port;
        const wchar_t* path;
    };
    const Case cases[] = {
        {L"http://127.0.0.1:8080/a/b?x=1", true, false, L"127.0.0.1", 8080, L"/a/b?x=1"},
        {L"HTTPS://example.invalid/p", true, true, L"example.invalid", 443, L"/p"},
        {L"http://host", true, false, L"host", 80, L"/"},
        {L"http://host:/x", true, false, L"host", 80, L"/x"},
        {L"http://user:pw@host:81/", true, false, L"host", 81, L"/"},
        {L"http://[::1]:9000/v", true, false, L"::1", 9000, L"/v"},
        {L"http://host?q", true, false, L"host", 80, L"/?q"},
        {L"ftp://host/x", false, false, L"", 0, L""},
        {L"host/x", false, false, L"", 0, L""},
        {L"http://:80/x", false, false, L"", 0, L""},
        {L"http://host:99999/x", false, false, L"", 0, L""},
        {L"http://host:8a/x", false, false, L"", 0, L""},
    };
    for (const auto& c : cases) {
        http::UrlComponents parts;
        EXPECT_EQ(http::CrackUrl(c.url, parts), c.ok) << std::wstring(c.url).size();
        if (!c.ok) continue;
        EXPECT_EQ(parts.secure, c.secure);
        EXPECT_EQ(parts.host, c.host);
        EXPECT_EQ(parts.port, c.port);
        EXPECT_EQ(parts.path, c.path);
    }
}

TEST(WinHttpLayerTest, CrackUrlRefusesWhatItsBuffersCannotHold) {
    http::UrlComponents parts;
    EXPECT_TRUE(http::CrackUrl(L"http://h/" + std::wstring(1298, L'p'), parts));
    EXPECT_FALSE(http::CrackUrl(L"http://h/" + std::wstring(1299, L'p'), parts));
    EXPECT_EQ(http::GetLastError(), http::kErrorInsufficientBuffer);
    EXPECT_TRUE(http::CrackUrl(L"http://" + std::wstring(259, L'h') + L"/", parts));
    EXPECT_FALSE(http::CrackUrl(L"http://" + std::wstring(260, L'h') + L"/", parts));
    EXPECT_FALSE(http::CrackUrl(L"gopher://h/", parts));
    EXPECT_EQ(http::GetLastError(), http::kErrorUnrecognizedScheme);
}

TEST(WinHttpLayerTest, HandlesOfTheWrongKindAreRefused) {
    http::Handle session = http::Open(L"test");
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(http::OpenRequest(session, L"GET", L"/", false), nullptr);
    EXPECT_EQ(http::GetLastError(), http::kErrorInvalidHandle);
    http::Handle connection = http::Connect(session, L"127.0.0.1", 1);
    ASSERT_NE(connection, nullptr);
    EXPECT_FALSE(http::SendRequest(connection));
    EXPECT_EQ(http::Connect(nullptr, L"h", 80), nullptr);
    http::Handle request = http::OpenRequest(connection, L"GET", L"/", false);
    ASSERT_NE(request, nullptr);
    std::wstring headers;
    EXPECT_FALSE(http::QueryRawHeaders(request, headers));  // nothing received yet
    EXPECT_EQ(http::GetLastError(), http::kErrorIncorrectHandleState);
    EXPECT_FALSE(http::AddRequestHeaders(request, L"no colon here"));
    http::CloseHandle(request);
    http::CloseHandle(connection);
    http::CloseHandle(session);
}

}  // namespace
