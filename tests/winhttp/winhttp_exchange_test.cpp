// WinHttpClient against a loopback server: bodies to memory and to files, headers, redirects,
// POST answers and connections that break.
#include <gtest/gtest.h>

#include "download/winhttp_client.h"
#include "platform/file_system.h"
#include "tests/support/http_test_server.h"
#include "tests/support/temp_folder.h"

namespace {

using testing_support::HttpRequest;
using testing_support::HttpResponse;
using testing_support::HttpTestServer;

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t at = 0; at < size; ++at) bytes[at] = static_cast<char>((at * 7 + at / 251) & 0xFF);
    return bytes;
}

TEST(WinHttpExchangeTest, BodyToMemoryIsDecodedByItsCharset) {
    HttpTestServer server([](const HttpRequest&) {
        HttpResponse response;
        response.headers = {{"Content-Type", "text/plain; charset=UTF-8"},
                            {"Set-Cookie", "a=1"}, {"Set-Cookie", "b=2; Path=/"}, {"Set-Cookie", "c=3;"}};
        response.body = "安装 ok";
        return response;
    });
    WinHttpClient client(server.Url("/text"));
    ASSERT_TRUE(client.SendHttpRequest(L"GET"));
    EXPECT_EQ(client.m_statusCode, L"200");
    EXPECT_EQ(client.m_charset, L"UTF-8");
    EXPECT_EQ(client.m_responseText, L"安装 ok");
    EXPECT_EQ(client.m_bodySize, 9u);
    EXPECT_EQ(client.m_contentLength, 9u);
    EXPECT_EQ(client.m_responseCookies, L"a=1; b=2; Path=/; c=3;");
    EXPECT_NE(client.m_responseHeaders.find(L"HTTP/1.1 200 OK\r\n"), std::wstring::npos);
    EXPECT_EQ(client.m_responseHeaders.substr(client.m_responseHeaders.size() - 4), L"\r\n\r\n");
}

TEST(WinHttpExchangeTest, BodyWithoutCharsetIsDecodedWithTheAnsiCodePage) {
    HttpTestServer server([](const HttpRequest& request) {
        HttpResponse response;
        response.body = request.path == "/ascii" ? "plain text" : "\xff\xfe\xfd";
        return response;
    });
    WinHttpClient client(server.Url("/ascii"));
    ASSERT_TRUE(client.SendHttpRequest(L"GET"));
    EXPECT_EQ(client.m_charset, L"");
    EXPECT_EQ(client.m_responseText, L"plain text");
    // Bytes no code page takes leave the text as it was.
    client.m_url = server.Url("/binary");
    ASSERT_TRUE(client.SendHttpRequest(L"GET"));
    EXPECT_EQ(client.m_bodySize, 3u);
    EXPECT_EQ(client.m_responseText, L"plain text");
}

// A server chooses how long its header values are: a hundred thousand characters cost no more
// than the bounded part of each that is kept.
// A status is three digits: nothing a server sends wraps or cuts into a 200, which is what the
// downloader stores a body after.
TEST(WinHttpExchangeTest, MalformedStatusIsNeverSuccess) {
    for (const char* status : {"4294967496", "2000", "20", "+200", "2x0", "200x"}) {
        SCOPED_TRACE(status);
        HttpTestServer server([status](const HttpRequest&) {
            HttpResponse response;
            response.statusText = status;
            response.body = "not the package";
            return response;
        });
        WinHttpClient client(server.Url("/package"));
        client.SendHttpRequest(L"GET");
        EXPECT_NE(client.m_statusCode, L"200");
    }
}

TEST(WinHttpExchangeTest, WhatIsKeptOfHugeHeaderValuesIsBounded) {
    const std::string huge(100000, 'v');
    HttpTestServer server([&](const HttpRequest&) {
        HttpResponse response;
        response.headers = {{"Set-Cookie", "a=" + huge}, {"Location", "https://h/" + huge},
                            {"Content-Type", "text/plain; charset=utf-8" + huge}};
        response.body = "ok";
        return response;
    });
    WinHttpClient client(server.Url("/big"));
    ASSERT_TRUE(client.SendHttpRequest(L"GET"));
    EXPECT_EQ(client.m_responseCookies, L"a=" + std::wstring(WinHttpClient::kLongestCookie - 2, L'v') + L";");
    EXPECT_EQ(client.m_location.size(), WinHttpClient::kLongestLocation);
    EXPECT_EQ(client.m_charset.size(), 64u);
    EXPECT_EQ(client.m_responseText, L"ok");  // still decoded as UTF-8
}

TEST(WinHttpExchangeTest, RequestCarriesExtraHeadersAndCookies) {
    HttpTestServer server([](const HttpRequest&) { return HttpResponse{}; });
    WinHttpClient client(server.Url("/h"));
    client.m_extraHeaders = L"X-Kelvo: 1\r\nX-Other: two";
    client.m_requestCookies = L"sid=42";
    client.m_userAgent = L"KelvoTest";
    ASSERT_TRUE(client.SendHttpRequest(L"Get"));
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].headers["x-kelvo"], "1");
    EXPECT_EQ(requests[0].headers["x-other"], "two");
    EXPECT_EQ(requests[0].headers["cookie"], "sid=42");
    EXPECT_EQ(requests[0].headers["user-agent"], "KelvoTest");
}

TEST(WinHttpExchangeTest, RedirectIsFollowedAndTheFinalAddressKnown) {
    HttpTestServer* self = nullptr;
    HttpTestServer server([&](const HttpRequest& request) {
        HttpResponse response;
        if (request.path == "/old") {
            response.status = 302;
            response.reason = "Found";
            const std::wstring target = self->Url("/new/place");
            response.headers = {{"Location", std::string(target.begin(), target.end())}};
        } else {
            response.body = "arrived";
        }
        return response;
    });
    self = &server;
    WinHttpClient client(server.Url("/old"));
    ASSERT_TRUE(client.SendHttpRequest(L"GET"));
    EXPECT_EQ(client.m_statusCode, L"200");
    EXPECT_EQ(client.m_responseText, L"arrived");
    EXPECT_EQ(client.m_effectiveUrl, server.Url("/new/place"));
    EXPECT_EQ(client.m_location, L"");  // the final answer names no further place
}

TEST(WinHttpExchangeTest, PostSucceedsOnlyWithACompletePage) {
    HttpTestServer server([](const HttpRequest& request) {
        HttpResponse response;
        response.body = request.path == "/page" ? "<html>" + request.body + "</html>" : "<html>cut";
        return response;
    });
    WinHttpClient client(server.Url("/page"));
    const std::string form = "name=kelvo";
    client.SetPostData(form.data(), static_cast<std::uint32_t>(form.size()));
    ASSERT_TRUE(client.SendHttpRequest(L"post"));
    EXPECT_EQ(client.m_responseText, L"<html>name=kelvo</html>");
    EXPECT_EQ(server.Requests().at(0).body, form);

    WinHttpClient incomplete(server.Url("/broken"));
    incomplete.SetPostData(form.data(), static_cast<std::uint32_t>(form.size()));
    EXPECT_FALSE(incomplete.SendHttpRequest(L"POST"));
    EXPECT_EQ(incomplete.m_lastError, 13u);
    EXPECT_EQ(server.Requests().size(), 4u);  // one, then three attempts
}

TEST(WinHttpExchangeTest, FileModeAppendsAndReportsProgress) {
    const std::string body = Pattern(3u << 20);  // more than the layer buffers before pausing
    HttpTestServer server([&](const HttpRequest&) {
        HttpResponse response;
        response.body = body;
        return response;
    });
    testing_support::TempFolder folder;
    const std::wstring file = folder.WriteFile(L"target.bin", "HEAD");
    WinHttpClient client(server.Url("/big"));
    client.m_responseFile = file;
    std::vector<double> percents;
    client.m_progressFn = [&](double percent) { percents.push_back(percent); };
    ASSERT_TRUE(client.SendHttpRequest(L"GET"));
    EXPECT_EQ(testing_support::ReadFile(file), "HEAD" + body);
    EXPECT_EQ(client.m_bodySize, 0u);
    ASSERT_GE(percents.size(), 2u);
    EXPECT_DOUBLE_EQ(percents.front(), 0.0);
    EXPECT_DOUBLE_EQ(percents.back(), 100.0);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
}

TEST(WinHttpExchangeTest, LargeChunkedBodyToMemoryArrivesWhole) {
    const std::string body = Pattern((2u << 20) + 123);
    HttpTestServer server([&](const HttpRequest&) {
        HttpResponse response;
        response.body = body;
        response.chunked = true;
        return response;
    });
    WinHttpClient client(server.Url("/chunked"));
    ASSERT_TRUE(client.SendHttpRequest(L"GET"));
    EXPECT_EQ(client.m_contentLength, 0u);
    ASSERT_EQ(client.m_bodySize, body.size());
    EXPECT_TRUE(std::equal(body.begin(), body.end(), client.m_body.begin()));
}

TEST(WinHttpExchangeTest, BodiesThatEndEarlyFailTheRequest) {
    struct Case {
        const char* name;
        bool chunked;
        bool toFile;
        std::size_t requests;  // no attempt after bytes went to the file
    };
    const Case cases[] = {
        {"cut short of its length", false, false, 3},
        {"chunked reply cut before its last chunk", true, false, 3},
        {"cut short of its length, to a file", false, true, 1},
        {"chunked reply cut, to a file", true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HttpTestServer server([&](const HttpRequest&) {
            HttpResponse response;
            response.body = Pattern(100000);
            response.chunked = c.chunked;
            response.cutAfter = 30000;
            return response;
        });
        testing_support::TempFolder folder;
        WinHttpClient client(server.Url("/cut"));
        if (c.toFile) client.m_responseFile = folder.Join(L"out.bin");
        EXPECT_FALSE(client.SendHttpRequest(L"GET"));
        EXPECT_EQ(client.m_lastError, platform::winhttp::kErrorConnectionError);
        EXPECT_EQ(server.Requests().size(), c.requests);
        if (c.toFile) {
            EXPECT_EQ(testing_support::ReadFile(client.m_responseFile), Pattern(100000).substr(0, 30000));
        }
    }
}

TEST(WinHttpExchangeTest, StoppedOrUnstorableBodyFailsTheRequest) {
    HttpTestServer server([](const HttpRequest&) {
        HttpResponse response;
        response.body = std::string(200000, 'y');
        return response;
    });
    testing_support::TempFolder folder;
    WinHttpClient stopped(server.Url("/stop"));
    stopped.m_responseFile = folder.Join(L"out.bin");
    stopped.m_progressFn = [&](double) { stopped.m_keepWriting = false; };
    EXPECT_FALSE(stopped.SendHttpRequest(L"GET"));
    EXPECT_EQ(stopped.m_lastError, platform::winhttp::kErrorOperationCancelled);
    EXPECT_FALSE(platform::PathExists(stopped.m_responseFile));

    // A file that cannot be opened loses no block silently.
    WinHttpClient unwritable(server.Url("/stop"));
    unwritable.m_responseFile = folder.Join(L"missing-folder/out.bin");
    EXPECT_FALSE(unwritable.SendHttpRequest(L"GET"));
    EXPECT_EQ(unwritable.m_lastError, WinHttpClient::kErrorOpenFailed);

    // Refused on its headers: not a byte of the body is stored.
    WinHttpClient refused(server.Url("/stop"));
    refused.m_responseFile = folder.Join(L"refused.bin");
    refused.m_acceptResponse = [&] { return refused.m_statusCode != L"200"; };
    EXPECT_FALSE(refused.SendHttpRequest(L"GET"));
    EXPECT_EQ(refused.m_lastError, platform::winhttp::kErrorOperationCancelled);
    EXPECT_FALSE(platform::PathExists(refused.m_responseFile));
    EXPECT_EQ(server.Requests().size(), 1u + 3u + 1u);  // nothing stored, so the unwritable body is tried thrice
}

}  // namespace
