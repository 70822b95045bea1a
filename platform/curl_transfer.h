#pragma once
// What every libcurl transfer of the installer shares (the engines' and the WinHTTP layer's):
// the library's start, the transport security, and a registry of sockets.
#include <mutex>
#include <set>
#include <string>

#include <curl/curl.h>

namespace platform {

// Starts the library once for the process; called before any handle is made.
void InitialiseCurl();

// Peer and host verification stay at libcurl's defaults (on). The bundle named by SSL_CERT_FILE
// (and the folder named by SSL_CERT_DIR), when set, is the one trusted, as OpenSSL programs do:
// that is how an administrator adds a company's certificate authority. A request that starts
// over https follows redirects to https only: the digest is read from the final address, so a
// step down to http would let anyone on the way choose the package and its digest together.
CURLcode SetTransportSecurity(CURL* handle, const std::string& url);

// The sockets of a downloader's libcurl transfers, opened and closed through this registry so
// that the owner can end every transfer at once from another thread. libcurl notices a stop flag
// only at its next progress call, which a transfer waiting on a silent server makes once a
// second; a socket shut down wakes it at once.

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
