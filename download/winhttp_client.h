#pragma once
// A small synchronous HTTP client over the WinHTTP-style layer: GET and POST, proxies, cookies,
// values picked out of the response headers, and a body delivered to memory (decoded to text)
// or appended to a file.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/winhttp.h"

class WinHttpClient {
public:
    // Client codes kept in m_lastError besides the system's.
    static constexpr std::uint32_t kErrorEmptyUrl = 3;
    static constexpr std::uint32_t kErrorIncompleteHtml = 13;
    static constexpr std::uint32_t kErrorWriteFault = 29;
    static constexpr std::uint32_t kErrorUnsupportedVerb = 87;
    static constexpr std::uint32_t kErrorOpenFailed = 110;

    // What is kept of header values a server sends: a cookie, the Location.
    static constexpr std::size_t kLongestCookie = 4096;
    static constexpr std::size_t kMostCookies = 64;
    static constexpr std::size_t kLongestLocation = 8192;

    explicit WinHttpClient(const std::wstring& url);
    ~WinHttpClient();
    WinHttpClient(const WinHttpClient&) = delete;
    WinHttpClient& operator=(const WinHttpClient&) = delete;

    // One request with up to three attempts; "GET" or "POST" in any case. True only when the
    // whole response arrived: a transfer error, a body cut short, a block that could not be
    // stored, a stop (m_keepWriting, m_cancel) or a response refused by m_acceptResponse fails
    // the attempt. Once body bytes have gone to the response file no further attempt is made, as
    // it would append the body a second time.
    bool SendHttpRequest(const std::wstring& verb = L"GET");

    // The request body; the client keeps its own copy.
    void SetPostData(const void* data, std::uint32_t length);

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
    // The Content-Length header's value (any case of the name); 0 when there is none. 64 bits,
    // so a package of 4 GiB or more is not taken for a small one.
    std::uint64_t m_contentLength = 0;
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
    // Set by another thread to end a request that waits (kErrorOperationCancelled).
    const std::atomic<bool>* m_cancel = nullptr;
    // Asked once the headers are read, before any byte of the body is stored: false ends the
    // request there (kErrorOperationCancelled), without a further attempt.
    std::function<bool()> m_acceptResponse;

private:
    enum class Outcome { kSucceeded, kFailed, kFinal };
    // One attempt on an open request.
    Outcome Attempt(platform::winhttp::Handle request, bool post);
    void ReadHeaders(platform::winhttp::Handle request);
    // False, with m_lastError, when the body could not be read or stored whole.
    bool ReadBody(platform::winhttp::Handle request);
    bool StoreBlock(std::FILE*& file, const char* data, std::uint32_t size);
    void DecodeBody();
    void ReportProgress(std::uint64_t done);
    bool Cancelled() const { return m_cancel && *m_cancel; }

    // The user's static proxy, tried after a send that failed without one.
    std::wstring m_userProxy;
    std::wstring m_userProxyBypass;
};
