#include "download/winhttp_client.h"

#include <cstdio>
#include <regex>

#include "platform/code_page.h"
#include "platform/debug_output.h"
#include "platform/file_system.h"
#include "utils/text.h"

namespace http = platform::winhttp;

namespace {

constexpr int kAttempts = 3;
constexpr std::size_t kInitialBuffer = 10240;

// The header patterns, written as regular expressions; the group is the text returned.
const wchar_t* const kCharsetPattern = L"charset=([A-Za-z0-9\\-_]+)";
const wchar_t* const kContentLengthPattern = L"Content-Length: ([0-9]+)";
const wchar_t* const kLocationPattern = L"Location: (https?:.+?)(?:\\r\\n|\\r|\\n)";
const wchar_t* const kCookiePattern = L"Set-Cookie:[ \\t]*(.+?)(?:\\r\\n|\\r|\\n)";

bool IsVerb(const std::wstring& verb, const wchar_t* name) {
    if (verb.size() != std::wcslen(name)) return false;
    for (std::size_t at = 0; at < verb.size(); ++at)
        if (static_cast<wchar_t>(std::towupper(verb[at])) != name[at]) return false;
    return true;
}

void Print(const wchar_t* format, std::uint32_t error) {
    wchar_t line[128];
    std::swprintf(line, sizeof line / sizeof line[0], format, static_cast<int>(error));
    platform::OutputDebugText(line);
}

}  // namespace

WinHttpClient::WinHttpClient(const std::wstring& url) : m_url(url) {}

WinHttpClient::~WinHttpClient() {
    if (m_session) http::CloseHandle(m_session);
}

void WinHttpClient::SetPostData(const void* data, std::uint32_t length) {
    const char* bytes = static_cast<const char*>(data);
    m_postData.assign(bytes, bytes + length);
}

std::vector<std::wstring> WinHttpClient::FindAll(const std::wstring& text, const std::wstring& pattern) {
    std::vector<std::wstring> found;
    const std::wregex expression(pattern);
    for (std::wsregex_iterator match(text.begin(), text.end(), expression), end; match != end; ++match)
        found.push_back(match->size() > 1 ? (*match)[1].str() : (*match)[0].str());
    return found;
}

std::wstring WinHttpClient::FindFirst(const std::wstring& text, const std::wstring& pattern) {
    auto found = FindAll(text, pattern);
    return found.empty() ? std::wstring() : found.front();
}

bool WinHttpClient::SendHttpRequest(const std::wstring& verb) {
    if (m_url.empty()) {
        m_lastError = kErrorEmptyUrl;
        return false;
    }
    const bool post = IsVerb(verb, L"POST");
    if (!post && !IsVerb(verb, L"GET")) {
        m_lastError = kErrorUnsupportedVerb;
        return false;
    }
    if (!m_session) {
        m_session = http::Open(m_userAgent);
        if (!m_session) {
            m_lastError = http::GetLastError();
            return false;
        }
    }
    http::SetTimeouts(m_session, m_resolveTimeout, m_connectTimeout, m_sendTimeout, m_receiveTimeout);
    http::UrlComponents parts;
    if (!http::CrackUrl(m_url, parts)) {
        m_lastError = http::GetLastError();
        return false;
    }
    m_host = parts.host;
    http::Handle connection = http::Connect(m_session, parts.host, parts.port);
    if (!connection) {
        m_lastError = http::GetLastError();
        return false;
    }
    bool succeeded = false;
    // Each attempt needs a fresh request: a request is sent once.
    for (int attempt = 0; attempt < kAttempts && !succeeded; ++attempt) {
        http::Handle request = http::OpenRequest(connection, post ? L"POST" : L"GET", parts.path, parts.secure);
        if (!request) {
            m_lastError = http::GetLastError();
            break;
        }
        if (parts.secure && !m_strictCertificates)
            http::SetSecurityFlags(request, http::kIgnoreUnknownCa | http::kIgnoreCertCnInvalid |
                                                http::kIgnoreCertDateInvalid);
        succeeded = Attempt(request, post);
        http::CloseHandle(request);
    }
    http::CloseHandle(connection);
    return succeeded;
}

bool WinHttpClient::Attempt(http::Handle request, bool post) {
    if (!m_extraHeaders.empty() && !http::AddRequestHeaders(request, m_extraHeaders))
        m_lastError = http::GetLastError();
    if (!m_requestCookies.empty() && !http::AddRequestHeaders(request, L"Cookie: " + m_requestCookies))
        m_lastError = http::GetLastError();
    if (!m_proxy.empty()) {
        http::SetProxy(request, m_proxy.substr(0, 259), L"");
        if (!m_proxyUserName.empty()) http::SetProxyUserName(request, m_proxyUserName);
        if (!m_proxyPassword.empty()) http::SetProxyPassword(request, m_proxyPassword);
    } else if (!m_userProxy.empty()) {
        http::SetProxy(request, m_userProxy, m_userProxyBypass);
    }
    if (!m_postData.empty()) http::WriteData(request, m_postData.data(), m_postData.size());
    if (!http::SendRequest(request)) {
        m_lastError = http::GetLastError();
        // The user's own proxy settings may get through where the default did not.
        http::UserProxyConfig config;
        if (!http::GetUserProxyConfig(config)) {
            m_lastError = http::GetLastError();
            return false;
        }
        if (!config.autoConfigUrl.empty()) {
            std::wstring proxy, bypass;
            if (!http::GetProxyForUrl(m_session, m_url, config.autoConfigUrl, proxy, bypass)) {
                m_lastError = http::GetLastError();
                return false;
            }
            http::SetProxy(request, proxy, bypass);
            if (!http::SendRequest(request)) {
                m_lastError = http::GetLastError();
                return false;
            }
        } else {
            // The next attempt goes through the static proxy, if there is one.
            m_userProxy = config.proxy;
            m_userProxyBypass = config.proxyBypass;
            return false;
        }
    }
    if (!http::ReceiveResponse(request)) {
        m_lastError = http::GetLastError();
        return false;
    }
    ReadHeaders(request);
    ReadBody(request);
    DecodeBody();
    if (!post) return true;
    if (!FindFirst(m_responseText, L"(<html>)").empty() && !FindFirst(m_responseText, L"(</html>)").empty())
        return true;
    m_lastError = kErrorIncompleteHtml;
    return false;
}

void WinHttpClient::ReadHeaders(http::Handle request) {
    m_responseHeaders.clear();
    http::QueryRawHeaders(request, m_responseHeaders);
    if (!m_fixedCharset) m_charset = FindFirst(m_responseHeaders, kCharsetPattern);
    const std::wstring length = FindFirst(m_responseHeaders, kContentLengthPattern);
    m_contentLength = length.empty() ? 0 : static_cast<std::uint32_t>(std::wcstoull(length.c_str(), nullptr, 10));
    m_location = FindFirst(m_responseHeaders, kLocationPattern);
    std::wstring cookies;
    for (const auto& cookie : FindAll(m_responseHeaders, kCookiePattern)) {
        if (!cookies.empty()) cookies += L"; ";
        cookies += cookie;
    }
    cookies = Utils::Trim(cookies);
    if (!cookies.empty() && cookies.back() != L';') cookies += L";";
    m_responseCookies = cookies;
    m_statusCode.clear();
    http::QueryStatusCode(request, m_statusCode);
    m_effectiveUrl.clear();
    http::QueryUrl(request, m_effectiveUrl);
}

void WinHttpClient::ReportProgress(std::uint64_t done) {
    if (m_progressFn && m_contentLength != 0)
        m_progressFn(static_cast<double>(done) * 100.0 / static_cast<double>(m_contentLength));
}

void WinHttpClient::ReadBody(http::Handle request) {
    std::vector<char> buffer(kInitialBuffer);
    std::size_t collected = 0;
    m_bytesWritten = 0;
    const bool toFile = !m_responseFile.empty();
    std::vector<char> block;
    std::uint32_t available = 0;
    while (http::QueryDataAvailable(request, available) && available > 0) {
        // In file mode the progress counts what reached the file.
        ReportProgress(toFile ? m_bytesWritten : collected);
        block.resize(available);
        std::uint32_t got = 0;
        if (!http::ReadData(request, block.data(), available, got) || got == 0) {
            m_lastError = http::GetLastError();
            break;
        }
        if (toFile) {
            if (!m_keepWriting) break;
            std::FILE* file = std::fopen(platform::PathToNative(m_responseFile).c_str(), "ab");
            if (!file) {
                Print(L"Failed to open response file. Error code: %d", m_lastError);
                continue;
            }
            const std::size_t written = std::fwrite(block.data(), 1, got, file);
            if (std::fclose(file) != 0 || written < got)
                Print(L"Failed to write response data. Error code: %d", m_lastError);
            m_bytesWritten += written;
        } else {
            while (collected + got > buffer.size()) buffer.resize(buffer.size() * 2);
            std::copy(block.begin(), block.begin() + got, buffer.begin() + collected);
            collected += got;
        }
    }
    ReportProgress(toFile ? m_bytesWritten : collected);
    buffer.resize(collected);
    m_body = std::move(buffer);
    m_bodySize = static_cast<std::uint32_t>(collected);
}

void WinHttpClient::DecodeBody() {
    const std::string bytes(m_body.begin(), m_body.end());
    std::wstring prefix = m_charset.substr(0, 5);
    for (auto& c : prefix) c = static_cast<wchar_t>(std::towlower(c));
    const std::uint32_t page = prefix == L"utf-8" ? platform::kUtf8CodePage : platform::kAnsiCodePage;
    if (auto text = platform::DecodeCodePage(bytes, page)) {
        m_responseText = *text;
    } else if (auto ansi = platform::DecodeCodePage(bytes, platform::kAnsiCodePage)) {
        m_responseText = *ansi;
    }
}
