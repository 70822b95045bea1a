// Placeholder, replaced by win-net: the smallest setup the libcurl engines need to run (the
// library's start, http and https only, the socket registry on Winsock); certificate stores,
// proxies and the rest are win-net's.
#include "platform/curl_transfer.h"

#include <winsock2.h>

namespace platform {

void InitialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURLcode SetTransportSecurity(CURL* handle, const std::string& url) {
    int result = curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    const bool secure = url.size() >= 8 && curl_strnequal(url.c_str(), "https://", 8);
    result |= curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    return static_cast<CURLcode>(result);
}

CURLcode TransferSockets::Attach(CURL* handle) {
    int result = curl_easy_setopt(handle, CURLOPT_OPENSOCKETFUNCTION, &TransferSockets::Open);
    result |= curl_easy_setopt(handle, CURLOPT_OPENSOCKETDATA, this);
    result |= curl_easy_setopt(handle, CURLOPT_CLOSESOCKETFUNCTION, &TransferSockets::Close);
    result |= curl_easy_setopt(handle, CURLOPT_CLOSESOCKETDATA, this);
    return static_cast<CURLcode>(result);
}

void TransferSockets::ShutdownAll() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shut = true;
    for (curl_socket_t socket : m_open) ::shutdown(socket, SD_BOTH);
}

curl_socket_t TransferSockets::Open(void* registry, curlsocktype, curl_sockaddr* address) {
    auto* self = static_cast<TransferSockets*>(registry);
    std::lock_guard<std::mutex> lock(self->m_mutex);
    if (self->m_shut) return CURL_SOCKET_BAD;
    const curl_socket_t socket = ::WSASocketW(address->family, address->socktype, address->protocol, nullptr, 0,
                                              WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket != CURL_SOCKET_BAD) self->m_open.insert(socket);
    return socket;
}

int TransferSockets::Close(void* registry, curl_socket_t socket) {
    auto* self = static_cast<TransferSockets*>(registry);
    std::lock_guard<std::mutex> lock(self->m_mutex);
    self->m_open.erase(socket);
    return ::closesocket(socket);
}

}  // namespace platform
