// Placeholder, replaced by win-net: the WinHTTP layer on the real WinHTTP. Until then every
// call fails with ERROR_WINHTTP_INTERNAL_ERROR, so engine 2 reports a failed download.
#include "platform/winhttp.h"

namespace platform::winhttp {
namespace {
thread_local std::uint32_t g_lastError = 0;
template <typename T>
T Fail(T result) {
    g_lastError = kErrorInternal;
    return result;
}
}  // namespace

std::uint32_t GetLastError() { return g_lastError; }
Handle Open(const std::wstring&) { return Fail<Handle>(nullptr); }
bool SetTimeouts(Handle, int, int, int, int) { return Fail(false); }
bool CrackUrl(const std::wstring&, UrlComponents&) { return Fail(false); }
Handle Connect(Handle, const std::wstring&, int) { return Fail<Handle>(nullptr); }
Handle OpenRequest(Handle, const std::wstring&, const std::wstring&, bool) { return Fail<Handle>(nullptr); }
void CloseHandle(Handle) {}
bool SetSecurityFlags(Handle, std::uint32_t) { return Fail(false); }
bool SetProxy(Handle, const std::wstring&, const std::wstring&) { return Fail(false); }
bool SetProxyUserName(Handle, const std::wstring&) { return Fail(false); }
bool SetProxyPassword(Handle, const std::wstring&) { return Fail(false); }
bool AddRequestHeaders(Handle, const std::wstring&) { return Fail(false); }
bool SetCancelFlag(Handle, const std::atomic<bool>*) { return Fail(false); }
bool SendRequest(Handle) { return Fail(false); }
bool WriteData(Handle, const void*, std::size_t) { return Fail(false); }
bool ReceiveResponse(Handle) { return Fail(false); }
bool QueryRawHeaders(Handle, std::wstring&) { return Fail(false); }
bool QueryStatusCode(Handle, std::wstring&) { return Fail(false); }
bool QueryUrl(Handle, std::wstring&) { return Fail(false); }
bool QueryDataAvailable(Handle, std::uint32_t&) { return Fail(false); }
bool ReadData(Handle, void*, std::uint32_t, std::uint32_t&) { return Fail(false); }
bool GetUserProxyConfig(UserProxyConfig&) { return Fail(false); }
bool GetProxyForUrl(Handle, const std::wstring&, const std::wstring&, std::wstring&, std::wstring&) {
    g_lastError = kErrorAutodetectionFailed;
    return false;
}

}  // namespace platform::winhttp
