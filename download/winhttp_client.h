#pragma once
// A small synchronous HTTP client over the WinHTTP-style layer: GET and POST, proxies, cookies,
// response headers picked out by patterns, and a body delivered to memory (decoded to text) or
// appended to a file.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/winhttp.h"

class WinHttpClient {
public:
    // Client codes kept in m_lastError besides the system's.
    static constexpr std::uint32_t kErrorEmptyUrl = 3;
    static constexpr std::uint32_t kErrorIncompleteHtml = 13;
    static constexpr std::uint32_t kErrorUnsupportedVerb = 87;

    explicit WinHttpClient(const std::wstring& url);
    ~WinHttpClient();
    WinHttpClient(const WinHttpClient&) = delete;
    WinHttpClient& operator=(const WinHttpClient&) = delete;

    // One request with up to three attempts; "GET" or "POST" in any case.
    bool SendHttpRequest(const std::wstring& verb = L"GET");

    // The request body; the client keeps its own copy.
    void SetPostData(const void* data, std::uint32_t length);

    // The texts the patterns pick out of raw headers (one per match, in order).
    static std::vector<std::wstring> FindAll(const std::wstring& text, const std::wstring& pattern);
    static std::wstring FindFirst(const std::wstring& text, const std::wstring& pattern);

    platform::winhttp::Handle m_session = nullptr;
    // Certificates are checked unless the owner turns this off.
    bool m_strictCertificates = true;
    std::wstring m_url;
    std::wstring m_host;
    std::wstring m_responseHeaders;
    std::wstring m_responseText;
    std::wstring m_charset;
    std::vector<char> m_body;
    std::uint32_t m_bodySize = 0;
    std::function<void(double percent)> m_progressFn;
    std::uint32_t m_contentLength = 0;
    std::wstring m_responseCookies;
    std::wstring m_requestCookies;
    std::vector<char> m_postData;
    std::wstring m_extraHeaders;
    std::wstring m_proxy;
    std::uint32_t m_lastError = 0;
    std::wstring m_statusCode;
    std::wstring m_userAgent = L"WinHttpClient";
    bool m_fixedCharset = false;
    std::wstring m_proxyUserName;
    std::wstring m_proxyPassword;
    std::wstring m_location;
    int m_resolveTimeout = 0;
    int m_connectTimeout = 60000;
    int m_sendTimeout = 30000;
    int m_receiveTimeout = 30000;
    std::wstring m_responseFile;
    bool m_keepWriting = true;
    // The address the answer came from after redirects.
    std::wstring m_effectiveUrl;
    // Bytes appended to the response file by the last request.
    std::uint64_t m_bytesWritten = 0;

private:
    // One attempt on an open request; true when it succeeded.
    bool Attempt(platform::winhttp::Handle request, bool post);
    void ReadHeaders(platform::winhttp::Handle request);
    void ReadBody(platform::winhttp::Handle request);
    void DecodeBody();
    void ReportProgress(std::uint64_t done);

    // The user's static proxy, tried after a send that failed without one.
    std::wstring m_userProxy;
    std::wstring m_userProxyBypass;
};
