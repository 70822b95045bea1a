// The WinHTTP-style layer over libcurl's multi interface, so that the body can be read in blocks
// as the caller asks for it: the transfer runs only inside the calls that wait for something
// (send, receive, data available), and pauses when the caller has a megabyte unread.
#include "platform/winhttp.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/curl_transfer.h"
#include "platform/utf8.h"

namespace platform::winhttp {

enum class Kind { Session, Connection, Request };

struct Object {
    explicit Object(Kind kind) : kind(kind) {}
    virtual ~Object() = default;
    Kind kind;
};

namespace {

thread_local std::uint32_t t_lastError = 0;

bool Fail(std::uint32_t error) {
    t_lastError = error;
    return false;
}

constexpr std::size_t kMaxUnread = 1u << 20;
constexpr long kMaxRedirects = 10;

struct Session : Object {
    Session() : Object(Kind::Session) {}
    std::string userAgent;
    int resolveTimeout = 0;
    int connectTimeout = 60000;
    int sendTimeout = 30000;
    int receiveTimeout = 30000;
};

struct Connection : Object {
    Connection() : Object(Kind::Connection) {}
    Session settings;  // a copy: the session may be closed first
    std::string host;
    int port = 0;
};

struct Request : Object {
    Request() : Object(Kind::Request) {}
    ~Request() override {
        if (multi && easy) curl_multi_remove_handle(multi, easy);
        if (easy) curl_easy_cleanup(easy);
        if (multi) curl_multi_cleanup(multi);
        curl_slist_free_all(headerList);
    }

    Session settings;
    std::string verb;
    std::string url;
    bool secure = false;
    std::uint32_t securityFlags = 0;
    std::string proxy, proxyBypass, proxyUserName, proxyPassword;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    bool bodyExpected = false;
    const std::atomic<bool>* cancel = nullptr;

    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    bool started = false;
    bool headersDone = false;
    bool finished = false;
    CURLcode result = CURLE_OK;
    std::string headerBlock;
    std::string unread;
    bool paused = false;
};

std::string Lower(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

template <class T>
T* As(Handle handle, Kind kind) {
    if (!handle || handle->kind != kind) {
        t_lastError = kErrorInvalidHandle;
        return nullptr;
    }
    return static_cast<T*>(handle);
}

std::uint32_t ErrorFor(CURLcode code) {
    switch (code) {
        case CURLE_OK: return 0;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY: return kErrorNameNotResolved;
        case CURLE_COULDNT_CONNECT: return kErrorCannotConnect;
        case CURLE_OPERATION_TIMEDOUT: return kErrorTimeout;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH: return kErrorSecureFailure;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_GOT_NOTHING: return kErrorConnectionError;
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_TOO_MANY_REDIRECTS: return kErrorInvalidServerResponse;
        case CURLE_URL_MALFORMAT: return kErrorInvalidUrl;
        // Only a redirect can lead to a scheme the request does not allow.
        case CURLE_UNSUPPORTED_PROTOCOL: return kErrorRedirectFailed;
        case CURLE_ABORTED_BY_CALLBACK: return kErrorOperationCancelled;
        case CURLE_OUT_OF_MEMORY: return kErrorNotEnoughMemory;
        default: return kErrorInternal;
    }
}

// The status of "HTTP/1.1 200 OK": exactly three digits after the version, then a blank or the
// line's end; 0 for anything else, which no number a server sends can wrap into a valid code.
int StatusOf(const std::string& block) {
    const std::size_t space = block.find(' ');
    if (space == std::string::npos || block.size() < space + 4) return 0;
    int status = 0;
    for (std::size_t i = space + 1; i < space + 4; ++i) {
        if (block[i] < '0' || block[i] > '9') return 0;
        status = status * 10 + (block[i] - '0');
    }
    const char after = block.size() > space + 4 ? block[space + 4] : '\n';
    if (after != ' ' && after != '\r' && after != '\n') return 0;
    return status >= 100 ? status : 0;
}

bool HasHeader(const std::string& block, const std::string& name) {
    return Lower(block).find("\n" + Lower(name) + ":") != std::string::npos;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* request = static_cast<Request*>(user);
    std::string line(data, size * count);
    if (line.rfind("HTTP/", 0) == 0) request->headerBlock.clear();
    request->headerBlock += line;
    if (line == "\r\n" || line == "\n") {
        const int status = StatusOf(request->headerBlock);
        const bool interim = status / 100 == 1;
        const bool redirected = (status == 301 || status == 302 || status == 303 ||
                                 status == 307 || status == 308) &&
                                HasHeader(request->headerBlock, "Location");
        if (!interim && !redirected) request->headersDone = true;
    }
    return size * count;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* request = static_cast<Request*>(user);
    if (request->unread.size() >= kMaxUnread) {
        request->paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    request->headersDone = true;
    request->unread.append(data, size * count);
    return size * count;
}

std::vector<std::string> SplitList(const std::string& text, const char* separators) {
    std::vector<std::string> items;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find_first_of(separators, at), text.size());
        if (end > at) items.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return items;
}

// The entry of a proxy list that serves the scheme: "https=p:1" for https only, "p:1" for both.
std::string ProxyFor(const std::string& list, bool secure) {
    std::string general;
    for (const std::string& entry : SplitList(list, "; \t")) {
        const std::size_t equals = entry.find('=');
        const bool named = equals != std::string::npos && equals > 0 &&
                           std::all_of(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(equals),
                                       [](unsigned char c) { return std::isalpha(c) != 0; });
        if (!named) {
            if (general.empty()) general = entry;
        } else if (Lower(entry.substr(0, equals)) == (secure ? "https" : "http")) {
            return entry.substr(equals + 1);
        }
    }
    return general;
}

// A bypass list in libcurl's form: host names separated by commas, a leading "." for a domain.
std::string NoProxyList(const std::string& bypass) {
    std::string list;
    for (std::string entry : SplitList(bypass, ";, \t")) {
        if (entry == "<local>") entry = "localhost";
        else if (entry.rfind("*.", 0) == 0) entry.erase(0, 1);
        if (!list.empty()) list += ',';
        list += entry;
    }
    return list;
}

bool Configure(Request& request) {
    InitialiseCurl();
    request.multi = curl_multi_init();
    request.easy = curl_easy_init();
    if (!request.multi || !request.easy) return Fail(kErrorNotEnoughMemory);
    CURL* easy = request.easy;
    curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, request.settings.userAgent.c_str());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &request);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &request);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    SetTransportSecurity(easy, request.url);
    if (request.settings.connectTimeout > 0)
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(request.settings.connectTimeout));
    // A receive that stays silent for the receive timeout ends the transfer.
    const int silence = std::max(request.settings.receiveTimeout, request.settings.sendTimeout);
    if (silence > 0) {
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, long((silence + 999) / 1000));
    }
    // The default proxy configuration is "none", whatever the environment says.
    const std::string proxy = ProxyFor(request.proxy, request.secure);
    curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
    if (!proxy.empty()) {
        // What the proxy answers to CONNECT is not the server's response.
        curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        const std::string bypass = NoProxyList(request.proxyBypass);
        if (!bypass.empty()) curl_easy_setopt(easy, CURLOPT_NOPROXY, bypass.c_str());
        if (!request.proxyUserName.empty())
            curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, request.proxyUserName.c_str());
        if (!request.proxyPassword.empty())
            curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, request.proxyPassword.c_str());
    }
    if (request.securityFlags & (kIgnoreUnknownCa | kIgnoreCertDateInvalid))
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
    if (request.securityFlags & kIgnoreCertCnInvalid) curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
    for (const auto& [name, value] : request.headers)
        request.headerList = curl_slist_append(request.headerList, (name + ": " + value).c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, request.headerList);
    if (request.verb == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else if (request.verb == "POST") {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
    } else if (request.verb == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.verb.c_str());
    }
    if (curl_multi_add_handle(request.multi, easy) != CURLM_OK) return Fail(kErrorInternal);
    request.started = true;
    return true;
}

// Runs the transfer until the condition holds or the transfer has ended.
template <class Condition>
void Drive(Request& request, Condition condition) {
    while (!condition() && !request.finished) {
        if (request.cancel && *request.cancel) {
            request.finished = true;
            request.result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        int running = 0;
        curl_multi_perform(request.multi, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(request.multi, &left)) {
            if (message->msg == CURLMSG_DONE) {
                request.finished = true;
                request.result = message->data.result;
            }
        }
        if (condition() || request.finished) break;
        if (request.paused) break;  // the caller must read first
        curl_multi_poll(request.multi, nullptr, 0, 100, nullptr);
    }
}

bool Start(Request& request) {
    if (request.started) return true;
    if (!Configure(request)) return false;
    Drive(request, [&] { return request.headersDone; });
    if (!request.headersDone) return Fail(ErrorFor(request.finished ? request.result : CURLE_GOT_NOTHING));
    return true;
}

}  // namespace

std::uint32_t GetLastError() { return t_lastError; }

Handle Open(const std::wstring& userAgent) {
    auto session = std::make_unique<Session>();
    session->userAgent = WideToUtf8(userAgent);
    return session.release();
}

bool SetTimeouts(Handle handle, int resolve, int connect, int send, int receive) {
    auto* session = As<Session>(handle, Kind::Session);
    if (!session) return false;
    if (resolve < -1 || connect < -1 || send < -1 || receive < -1) return Fail(kErrorInvalidParameter);
    session->resolveTimeout = resolve;
    session->connectTimeout = connect;
    session->sendTimeout = send;
    session->receiveTimeout = receive;
    return true;
}

bool CrackUrl(const std::wstring& url, UrlComponents& components) {
    const std::size_t schemeEnd = url.find(L"://");
    if (schemeEnd == std::wstring::npos) return Fail(kErrorUnrecognizedScheme);
    std::wstring scheme = url.substr(0, schemeEnd);
    for (auto& c : scheme) c = static_cast<wchar_t>(std::towlower(c));
    if (scheme != L"http" && scheme != L"https") return Fail(kErrorUnrecognizedScheme);
    const std::size_t authorityStart = schemeEnd + 3;
    std::size_t authorityEnd = url.find_first_of(L"/?#", authorityStart);
    if (authorityEnd == std::wstring::npos) authorityEnd = url.size();
    std::wstring authority = url.substr(authorityStart, authorityEnd - authorityStart);
    if (std::size_t at = authority.rfind(L'@'); at != std::wstring::npos) authority.erase(0, at + 1);
    std::wstring host = authority;
    int port = scheme == L"https" ? 443 : 80;
    const std::size_t bracket = authority.rfind(L']');
    const std::size_t colon = authority.rfind(L':');
    if (colon != std::wstring::npos && (bracket == std::wstring::npos || colon > bracket)) {
        host = authority.substr(0, colon);
        const std::wstring digits = authority.substr(colon + 1);
        if (!digits.empty()) {
            if (digits.size() > 5 || digits.find_first_not_of(L"0123456789") != std::wstring::npos)
                return Fail(kErrorInvalidUrl);
            port = std::stoi(digits);
            if (port < 1 || port > 65535) return Fail(kErrorInvalidUrl);
        }
    }
    if (host.size() >= 2 && host.front() == L'[' && host.back() == L']') host = host.substr(1, host.size() - 2);
    if (host.empty()) return Fail(kErrorInvalidUrl);
    std::wstring path = url.substr(authorityEnd);
    if (path.empty() || path[0] != L'/') path.insert(0, L"/");
    if (host.size() >= kMaxHostChars || path.size() >= kMaxPathChars) return Fail(kErrorInsufficientBuffer);
    components.secure = scheme == L"https";
    components.scheme = scheme;
    components.host = host;
    components.port = port;
    components.path = path;
    return true;
}

Handle Connect(Handle handle, const std::wstring& host, int port) {
    auto* session = As<Session>(handle, Kind::Session);
    if (!session) return nullptr;
    if (host.empty() || port < 0 || port > 65535) {
        Fail(kErrorInvalidParameter);
        return nullptr;
    }
    auto connection = std::make_unique<Connection>();
    connection->settings = *session;
    connection->host = WideToUtf8(host);
    connection->port = port;
    return connection.release();
}

Handle OpenRequest(Handle handle, const std::wstring& verb, const std::wstring& path, bool secure) {
    auto* connection = As<Connection>(handle, Kind::Connection);
    if (!connection) return nullptr;
    auto request = std::make_unique<Request>();
    request->settings = connection->settings;
    request->verb = WideToUtf8(verb.empty() ? L"GET" : verb);
    request->secure = secure;
    const bool literal = connection->host.find(':') != std::string::npos;
    const std::string host = literal ? "[" + connection->host + "]" : connection->host;
    request->url = std::string(secure ? "https://" : "http://") + host + ":" +
                   std::to_string(connection->port ? connection->port : (secure ? 443 : 80)) +
                   WideToUtf8(path.empty() ? L"/" : path);
    request->bodyExpected = request->verb == "POST";
    return request.release();
}

void CloseHandle(Handle handle) { delete handle; }

bool SetSecurityFlags(Handle handle, std::uint32_t flags) {
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    if (request->started) return Fail(kErrorIncorrectHandleState);
    request->securityFlags = flags;
    return true;
}

bool SetProxy(Handle handle, const std::wstring& proxy, const std::wstring& bypass) {
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    if (request->started) return Fail(kErrorIncorrectHandleState);
    request->proxy = WideToUtf8(proxy);
    request->proxyBypass = WideToUtf8(bypass);
    return true;
}

bool SetCancelFlag(Handle handle, const std::atomic<bool>* cancel) {
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    request->cancel = cancel;
    return true;
}

bool SetProxyUserName(Handle handle, const std::wstring& userName) {
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    request->proxyUserName = WideToUtf8(userName);
    return true;
}

bool SetProxyPassword(Handle handle, const std::wstring& password) {
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    request->proxyPassword = WideToUtf8(password);
    return true;
}

bool AddRequestHeaders(Handle handle, const std::wstring& headers) {
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    if (request->started) return Fail(kErrorIncorrectHandleState);
    const std::string text = WideToUtf8(headers);
    std::size_t start = 0;
    bool added = false;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) continue;
        std::string name = line.substr(0, colon);
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        auto same = std::find_if(request->headers.begin(), request->headers.end(),
                                 [&](const auto& header) { return Lower(header.first) == Lower(name); });
        if (same != request->headers.end())
            same->second += "; " + value;
        else
            request->headers.emplace_back(name, value);
        added = true;
    }
    return added ? true : Fail(kErrorInvalidParameter);
}

bool SendRequest(Handle handle) {
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    if (request->started) return Fail(kErrorIncorrectHandleState);
    if (request->bodyExpected) return true;  // sent with its body
    return Start(*request);
}

bool WriteData(Handle handle, const void* data, std::size_t size) {
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    if (request->started) return Fail(kErrorIncorrectHandleState);
    request->body.append(static_cast<const char*>(data), size);
    return true;
}

bool ReceiveResponse(Handle handle) {
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    if (!Start(*request)) return false;
    return request->headersDone ? true : Fail(ErrorFor(request->result));
}

bool QueryRawHeaders(Handle handle, std::wstring& headers) {
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    if (!request->headersDone) return Fail(kErrorIncorrectHandleState);
    std::string block = request->headerBlock;
    // Bare line feeds are given as CR LF, as the system does.
    std::string crlf;
    for (std::size_t at = 0; at < block.size(); ++at) {
        if (block[at] == '\n' && (at == 0 || block[at - 1] != '\r')) crlf += '\r';
        crlf += block[at];
    }
    headers = Utf8ToWideLossy(crlf);
    return true;
}

bool QueryStatusCode(Handle handle, std::wstring& statusCode) {
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    if (!request->headersDone) return Fail(kErrorIncorrectHandleState);
    const int status = StatusOf(request->headerBlock);
    if (status <= 0) return Fail(kErrorInvalidServerResponse);
    statusCode = std::to_wstring(status);
    return true;
}

bool QueryUrl(Handle handle, std::wstring& url) {
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    char* effective = nullptr;
    if (request->easy && curl_easy_getinfo(request->easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK &&
        effective)
        url = Utf8ToWideLossy(effective);
    else
        url = Utf8ToWideLossy(request->url);
    return true;
}

bool QueryDataAvailable(Handle handle, std::uint32_t& bytes) {
    bytes = 0;
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    if (!request->headersDone) return Fail(kErrorIncorrectHandleState);
    Drive(*request, [&] { return !request->unread.empty(); });
    if (!request->unread.empty()) {
        bytes = static_cast<std::uint32_t>(std::min<std::size_t>(request->unread.size(), 0x7FFFFFFF));
        return true;
    }
    if (request->result != CURLE_OK) return Fail(ErrorFor(request->result));
    return true;
}

bool ReadData(Handle handle, void* buffer, std::uint32_t size, std::uint32_t& bytesRead) {
    bytesRead = 0;
    auto* request = As<Request>(handle, Kind::Request);
    if (!request) return false;
    if (!request->headersDone) return Fail(kErrorIncorrectHandleState);
    if (request->unread.empty()) {
        std::uint32_t available = 0;
        if (!QueryDataAvailable(handle, available)) return false;
    }
    const std::size_t count = std::min<std::size_t>(size, request->unread.size());
    std::memcpy(buffer, request->unread.data(), count);
    request->unread.erase(0, count);
    bytesRead = static_cast<std::uint32_t>(count);
    if (request->paused && request->unread.size() < kMaxUnread) {
        request->paused = false;
        curl_easy_pause(request->easy, CURLPAUSE_CONT);
    }
    return true;
}

bool GetUserProxyConfig(UserProxyConfig& config) {
    config = UserProxyConfig{};
    auto read = [](const char* lower, const char* upper) {
        const char* value = std::getenv(lower);
        if (!value || !*value) value = std::getenv(upper);
        return value ? Utf8ToWideLossy(value) : std::wstring();
    };
    const std::wstring http = read("http_proxy", "HTTP_PROXY");
    const std::wstring https = read("https_proxy", "HTTPS_PROXY");
    if (!http.empty()) config.proxy = L"http=" + http;
    if (!https.empty()) config.proxy += (config.proxy.empty() ? L"https=" : L";https=") + https;
    config.proxyBypass = read("no_proxy", "NO_PROXY");
    return true;
}

bool GetProxyForUrl(Handle handle, const std::wstring&, const std::wstring&, std::wstring& proxy,
                    std::wstring& bypass) {
    if (!As<Session>(handle, Kind::Session)) return false;
    proxy.clear();
    bypass.clear();
    return Fail(kErrorAutodetectionFailed);
}

}  // namespace platform::winhttp
