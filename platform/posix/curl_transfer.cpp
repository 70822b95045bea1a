#include "platform/curl_transfer.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

void InitialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURLcode SetTransportSecurity(CURL* handle, const std::string& url) {
    int result = CURLE_OK;
    if (const char* bundle = std::getenv("SSL_CERT_FILE"); bundle && *bundle)
        result |= curl_easy_setopt(handle, CURLOPT_CAINFO, bundle);
    if (const char* folder = std::getenv("SSL_CERT_DIR"); folder && *folder)
        result |= curl_easy_setopt(handle, CURLOPT_CAPATH, folder);
    // http and https only, whatever else the library speaks; the engines refuse other addresses
    // before they get here.
    result |= curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
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
    for (curl_socket_t socket : m_open) ::shutdown(socket, SHUT_RDWR);
}

curl_socket_t TransferSockets::Open(void* registry, curlsocktype, curl_sockaddr* address) {
    auto* self = static_cast<TransferSockets*>(registry);
    std::lock_guard<std::mutex> lock(self->m_mutex);
    if (self->m_shut) return CURL_SOCKET_BAD;
    const curl_socket_t socket = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket != CURL_SOCKET_BAD) self->m_open.insert(socket);
    return socket;
}

int TransferSockets::Close(void* registry, curl_socket_t socket) {
    auto* self = static_cast<TransferSockets*>(registry);
    // Under the lock, so a shutdown never meets a number the system has given to another file.
    std::lock_guard<std::mutex> lock(self->m_mutex);
    self->m_open.erase(socket);
    return ::close(socket);
}

}  // namespace platform
