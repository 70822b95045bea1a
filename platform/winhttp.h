#pragma once
// A minimal WinHTTP-style HTTP layer: session, connection and request handles, synchronous send
// and receive, raw response headers and a body read in blocks. It offers what the WinHTTP
// client of the download engine calls and nothing more. Failures return false (or null) and
// leave a WinHTTP error number for GetLastError.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::winhttp {

struct Object;
using Handle = Object*;

// Error numbers as WinHTTP gives them.
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kErrorTimeout = 12002;
constexpr std::uint32_t kErrorInternal = 12004;
constexpr std::uint32_t kErrorInvalidUrl = 12005;
constexpr std::uint32_t kErrorUnrecognizedScheme = 12006;
constexpr std::uint32_t kErrorNameNotResolved = 12007;
constexpr std::uint32_t kErrorOperationCancelled = 12017;
constexpr std::uint32_t kErrorIncorrectHandleState = 12019;
constexpr std::uint32_t kErrorCannotConnect = 12029;
constexpr std::uint32_t kErrorConnectionError = 12030;
constexpr std::uint32_t kErrorHeaderNotFound = 12150;
constexpr std::uint32_t kErrorInvalidServerResponse = 12152;
constexpr std::uint32_t kErrorRedirectFailed = 12156;
constexpr std::uint32_t kErrorSecureFailure = 12175;
constexpr std::uint32_t kErrorAutodetectionFailed = 12180;

// Security flags of a request: certificate problems to ignore. Without them a server's
// certificate must name its host and lead to an authority of the system's bundle, or of the
// bundle SSL_CERT_FILE (and the folder SSL_CERT_DIR) names when set.
constexpr std::uint32_t kIgnoreUnknownCa = 0x0100;
constexpr std::uint32_t kIgnoreCertDateInvalid = 0x2000;
constexpr std::uint32_t kIgnoreCertCnInvalid = 0x1000;

constexpr std::size_t kMaxHostChars = 260;
constexpr std::size_t kMaxPathChars = 1300;

// The calling thread's last error.
std::uint32_t GetLastError();

// A session with the default proxy configuration of the system (none on Linux, whatever the
// environment says). Null on failure.
Handle Open(const std::wstring& userAgent);
// Milliseconds; 0 means no limit for resolving and the system's choice otherwise.
bool SetTimeouts(Handle session, int resolve, int connect, int send, int receive);

struct UrlComponents {
    bool secure = false;
    std::wstring scheme;
    std::wstring host;
    int port = 0;
    std::wstring path;  // path with the query and fragment
};
// Fails with kErrorInsufficientBuffer when the host exceeds kMaxHostChars - 1 or the path
// kMaxPathChars - 1 characters, kErrorUnrecognizedScheme for another scheme than http(s).
bool CrackUrl(const std::wstring& url, UrlComponents& components);

Handle Connect(Handle session, const std::wstring& host, int port);
Handle OpenRequest(Handle connection, const std::wstring& verb, const std::wstring& path,
                   bool secure);
void CloseHandle(Handle handle);

bool SetSecurityFlags(Handle request, std::uint32_t flags);
// A named proxy and its bypass list, for this request. The proxy is "host:port", or a list of
// such entries separated by ";" or blanks where "http=" or "https=" before an entry keeps it to
// requests of that scheme (an entry without one serves both). The bypass list names hosts
// (separated by ";", "," or blanks; "*.example.com" and ".example.com" cover the domain below,
// "*" every host, "<local>" localhost) that are reached directly.
bool SetProxy(Handle request, const std::wstring& proxy, const std::wstring& bypass);
bool SetProxyUserName(Handle request, const std::wstring& userName);
bool SetProxyPassword(Handle request, const std::wstring& password);
// Header lines separated by CR LF; a header already present gets the new value joined with
// "; " (the coalesce-with-semicolon rule).
bool AddRequestHeaders(Handle request, const std::wstring& headers);

// The calls that wait for this request (send, receive, data available) poll the flag, about ten
// times a second, and fail with kErrorOperationCancelled once it is set: how another thread
// stops a transfer that waits on a silent server. The flag must outlive the request.
bool SetCancelFlag(Handle request, const std::atomic<bool>* cancel);

// Sends the request. A request whose body follows through WriteData is sent by ReceiveResponse.
bool SendRequest(Handle request);
bool WriteData(Handle request, const void* data, std::size_t size);
// Waits for the response headers. Redirects are followed, from https to https only
// (kErrorRedirectFailed otherwise), and the answer of a proxy to CONNECT is not the response.
bool ReceiveResponse(Handle request);
// Status line and headers of the final response, CR LF separated, ending with an empty line.
bool QueryRawHeaders(Handle request, std::wstring& headers);
bool QueryStatusCode(Handle request, std::wstring& statusCode);
// The address the response came from after redirects.
bool QueryUrl(Handle request, std::wstring& url);
// Blocks until body bytes are there or the body has ended; 0 bytes at its end.
bool QueryDataAvailable(Handle request, std::uint32_t& bytes);
bool ReadData(Handle request, void* buffer, std::uint32_t size, std::uint32_t& bytesRead);

// The desktop user's proxy settings: on Linux the http_proxy (for http addresses), https_proxy
// (for https addresses) and no_proxy environment, either in lower or upper case, given as a
// scheme list ("http=...;https=...") and a bypass list; an automatic configuration address is
// never found.
struct UserProxyConfig {
    bool autoDetect = false;
    std::wstring autoConfigUrl;
    std::wstring proxy;
    std::wstring proxyBypass;
};
bool GetUserProxyConfig(UserProxyConfig& config);
// Proxy found through automatic configuration; not supported on Linux
// (kErrorAutodetectionFailed).
bool GetProxyForUrl(Handle session, const std::wstring& url, const std::wstring& autoConfigUrl,
                    std::wstring& proxy, std::wstring& bypass);

}  // namespace platform::winhttp
