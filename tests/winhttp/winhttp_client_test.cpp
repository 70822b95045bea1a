#include "download/winhttp_client.h"

#include <gtest/gtest.h>

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

TEST(WinHttpClientTest, HeaderPatternsPickTheirTexts) {
    const std::wstring headers =
        L"HTTP/1.1 302 Found\r\nContent-Type: text/html; charset=UTF-8\r\n"
        L"Content-Length: 1234\r\nLocation: http://127.0.0.1/next?a=b\r\n"
        L"Set-Cookie:  a=1\r\nSet-Cookie: b=2; Path=/\r\nSet-Cookie:\tc=3\r\n\r\n";
    EXPECT_EQ(WinHttpClient::FindFirst(headers, L"charset=([A-Za-z0-9\\-_]+)"), L"UTF-8");
    EXPECT_EQ(WinHttpClient::FindFirst(headers, L"Content-Length: ([0-9]+)"), L"1234");
    EXPECT_EQ(WinHttpClient::FindFirst(headers, L"Location: (https?:.+?)(?:\\r\\n|\\r|\\n)"),
              L"http://127.0.0.1/next?a=b");
    EXPECT_EQ(WinHttpClient::FindAll(headers, L"Set-Cookie:[ \\t]*(.+?)(?:\\r\\n|\\r|\\n)"),
              (std::vector<std::wstring>{L"a=1", L"b=2; Path=/", L"c=3"}));
    EXPECT_TRUE(WinHttpClient::FindFirst(L"content-length: 5\r\n", L"Content-Length: ([0-9]+)").empty());
}

}  // namespace
