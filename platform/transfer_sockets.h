#pragma once
// The sockets of a downloader's libcurl transfers, opened and closed through this registry so
// that the owner can end every transfer at once from another thread. libcurl notices a stop flag
// only at its next progress call, which a transfer waiting on a silent server makes once a
// second; a socket shut down wakes it at once.
#include <mutex>
#include <set>

#include <curl/curl.h>

namespace platform {

class TransferSockets {
public:
    TransferSockets() = default;
    TransferSockets(const TransferSockets&) = delete;
    TransferSockets& operator=(const TransferSockets&) = delete;

    // Makes the handle open and close its sockets here; again after curl_easy_reset.
    CURLcode Attach(CURL* handle);
    // Shuts down every open socket (their transfers fail at once) and refuses new ones.
    void ShutdownAll();

private:
    static curl_socket_t Open(void* registry, curlsocktype purpose, curl_sockaddr* address);
    static int Close(void* registry, curl_socket_t socket);

    std::mutex m_mutex;
    std::set<curl_socket_t> m_open;
    bool m_shut = false;
};

}  // namespace platform
