#include "download/winhttp_client.h"

#include <cwctype>

#include "download/http_headers.h"
#include "platform/code_page.h"
#include "platform/debug_output.h"
#include "platform/file_system.h"
#include "utils/text.h"

namespace http = platform::winhttp;

namespace {

constexpr int kAttempts = 3;
constexpr std::size_t kInitialBuffer = 10240;

bool IsVerb(const std::wstring& verb, const wchar_t* name) {
    if (verb.size() != std::wcslen(name)) return false;
    for (std::size_t at = 0; at < verb.size(); ++at)
        if (static_cast<wchar_t>(std::towupper(verb[at])) != name[at]) return false;
    return true;
}

bool StartsWithIgnoringCase(const std::wstring& text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t at = 0; at < prefix.size(); ++at)
        if (static_cast<wchar_t>(std::towlower(text[at])) != prefix[at]) return false;
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
    Outcome outcome = Outcome::kFailed;
    // Each attempt needs a fresh request: a request is sent once.
    for (int attempt = 0; attempt < kAttempts && outcome == Outcome::kFailed; ++attempt) {
        http::Handle request = http::OpenRequest(connection, post ? L"POST" : L"GET", parts.path, parts.secure);
        if (!request) {
            m_lastError = http::GetLastError();
            break;
        }
        if (parts.secure && !m_strictCertificates)
            http::SetSecurityFlags(request, http::kIgnoreUnknownCa | http::kIgnoreCertCnInvalid |
                                                http::kIgnoreCertDateInvalid);
        if (m_cancel) http::SetCancelFlag(request, m_cancel);
        outcome = Attempt(request, post);
        http::CloseHandle(request);
    }
    http::CloseHandle(connection);
    return outcome == Outcome::kSucceeded;
}

WinHttpClient::Outcome WinHttpClient::Attempt(http::Handle request, bool post) {
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
        if (Cancelled()) return Outcome::kFinal;
        // The user's own proxy settings may get through where the default did not.
        http::UserProxyConfig config;
        if (!http::GetUserProxyConfig(config)) {
            m_lastError = http::GetLastError();
            return Outcome::kFailed;
        }
        if (!config.autoConfigUrl.empty()) {
            std::wstring proxy, bypass;
            if (!http::GetProxyForUrl(m_session, m_url, config.autoConfigUrl, proxy, bypass)) {
                m_lastError = http::GetLastError();
                return Outcome::kFailed;
            }
            http::SetProxy(request, proxy, bypass);
            if (!http::SendRequest(request)) {
                m_lastError = http::GetLastError();
                return Outcome::kFailed;
            }
        } else {
            // The next attempt goes through the static proxy, if there is one.
            m_userProxy = config.proxy;
            m_userProxyBypass = config.proxyBypass;
            return Outcome::kFailed;
        }
    }
    if (!http::ReceiveResponse(request)) {
        m_lastError = http::GetLastError();
        return Cancelled() ? Outcome::kFinal : Outcome::kFailed;
    }
    ReadHeaders(request);
    if (m_acceptResponse && !m_acceptResponse()) {
        m_lastError = http::kErrorOperationCancelled;
        return Outcome::kFinal;
    }
    const bool whole = ReadBody(request);
    DecodeBody();
    if (!whole) return m_bytesWritten > 0 || Cancelled() || !m_keepWriting ? Outcome::kFinal : Outcome::kFailed;
    if (!post) return Outcome::kSucceeded;
    if (m_responseText.find(L"<html>") != std::wstring::npos && m_responseText.find(L"</html>") != std::wstring::npos)
        return Outcome::kSucceeded;
    m_lastError = kErrorIncompleteHtml;
    return Outcome::kFailed;
}

void WinHttpClient::ReadHeaders(http::Handle request) {
    m_responseHeaders.clear();
    http::QueryRawHeaders(request, m_responseHeaders);
    if (!m_fixedCharset) m_charset = http_headers::CharsetOf(m_responseHeaders);
    const auto length = http_headers::FirstValue(m_responseHeaders, L"Content-Length", 32);
    m_contentLength = length ? http_headers::ParseLength(*length).value_or(0) : 0;
    const auto location = http_headers::FirstValue(m_responseHeaders, L"Location", kLongestLocation);
    m_location.clear();
    if (location && (StartsWithIgnoringCase(*location, L"http:") || StartsWithIgnoringCase(*location, L"https:")))
        m_location = *location;
    std::wstring cookies;
    for (const auto& cookie : http_headers::Values(m_responseHeaders, L"Set-Cookie", kLongestCookie, kMostCookies)) {
        if (cookie.empty()) continue;
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

bool WinHttpClient::StoreBlock(std::FILE*& file, const char* data, std::uint32_t size) {
    if (!file) {
        file = platform::OpenFileForAppend(m_responseFile);
        if (!file) {
            m_lastError = kErrorOpenFailed;
            Print(L"Failed to open response file. Error code: %d", m_lastError);
            return false;
        }
    }
    const std::size_t written = std::fwrite(data, 1, size, file);
    // Flushed with each block, so the file holds exactly what was counted: a later attempt
    // resumes from its size, and a follower reading it sees the bytes at once.
    const bool flushed = std::fflush(file) == 0;
    m_bytesWritten += written;
    if (written == size && flushed) return true;
    m_lastError = kErrorWriteFault;
    Print(L"Failed to write response data. Error code: %d", m_lastError);
    return false;
}

bool WinHttpClient::ReadBody(http::Handle request) {
    std::vector<char> buffer(kInitialBuffer);
    std::size_t collected = 0;
    m_bytesWritten = 0;
    const bool toFile = !m_responseFile.empty();
    std::FILE* file = nullptr;
    std::vector<char> block;
    std::uint32_t available = 0;
    bool whole = true;
    for (;;) {
        if (!http::QueryDataAvailable(request, available)) {
            m_lastError = http::GetLastError();
            whole = false;
            break;
        }
        if (available == 0) break;
        // In file mode the progress counts what reached the file.
        ReportProgress(toFile ? m_bytesWritten : collected);
        block.resize(available);
        std::uint32_t got = 0;
        if (!http::ReadData(request, block.data(), available, got) || got == 0) {
            m_lastError = http::GetLastError();
            whole = false;
            break;
        }
        if (toFile) {
            if (!m_keepWriting) {
                m_lastError = http::kErrorOperationCancelled;
                whole = false;
                break;
            }
            if (!StoreBlock(file, block.data(), got)) {
                whole = false;
                break;
            }
        } else {
            while (collected + got > buffer.size()) buffer.resize(buffer.size() * 2);
            std::copy(block.begin(), block.begin() + got, buffer.begin() + collected);
            collected += got;
        }
    }
    if (file && std::fclose(file) != 0 && whole) {
        m_lastError = kErrorWriteFault;
        Print(L"Failed to write response data. Error code: %d", m_lastError);
        whole = false;
    }
    if (whole) ReportProgress(toFile ? m_bytesWritten : collected);
    buffer.resize(collected);
    m_body = std::move(buffer);
    m_bodySize = static_cast<std::uint32_t>(collected);
    return whole;
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
