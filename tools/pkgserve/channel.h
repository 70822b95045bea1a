#pragma once
// One client connection as the package server reads and writes it: plain TCP, or TLS over it.
// TLS runs through a pair of memory buffers, so every byte still goes through the loopback
// socket calls (their time-outs, no SIGPIPE).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/loopback_socket.h"

namespace pkgserve {

class Channel {
public:
    virtual ~Channel() = default;
    // Sends everything; false when the peer has gone.
    virtual bool SendAll(const void* data, std::size_t size) = 0;
    // As platform::Receive: false at the end of the stream, on an error or on time-out.
    virtual bool Receive(void* buffer, std::size_t size, std::size_t& bytesRead, std::uint32_t timeoutMilliseconds,
                         bool& timedOut) = 0;
    // Drops the connection at once, without the end TLS would send: a cut as the network makes it.
    virtual void Cut() = 0;
};

std::unique_ptr<Channel> PlainChannel(platform::NativeHandle handle);

// A server certificate and its key, loaded once and shared by every connection.
class TlsContext {
public:
    TlsContext();
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    // PEM files; the certificate file may hold the chain after the certificate.
    bool Load(const std::string& certificateFile, const std::string& keyFile, std::string& error);
    // Completes the server's side of the handshake on the connection; null when it fails or
    // the client stays silent for ten seconds.
    std::unique_ptr<Channel> Accept(platform::NativeHandle handle) const;

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};

}  // namespace pkgserve
