#include "platform/loopback_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

LoopbackListener::~LoopbackListener() { Close(); }

bool LoopbackListener::Listen(std::uint16_t port) {
    Close();
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return false;
    }
    m_socket = fd;
    m_port = ntohs(address.sin_port);
    return true;
}

NativeHandle LoopbackListener::Accept(std::uint32_t timeoutMilliseconds) {
    if (m_socket == kInvalidHandle) return kInvalidHandle;
    pollfd watched{static_cast<int>(m_socket), POLLIN, 0};
    int ready = ::poll(&watched, 1, static_cast<int>(timeoutMilliseconds));
    if (ready <= 0) return kInvalidHandle;
    int connection = ::accept4(static_cast<int>(m_socket), nullptr, nullptr, SOCK_CLOEXEC);
    return connection < 0 ? kInvalidHandle : connection;
}

void LoopbackListener::Close() {
    CloseHandle(m_socket);
    m_port = 0;
}

NativeHandle ConnectLoopback(std::uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return kInvalidHandle;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int result;
    do {
        result = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(fd);
        return kInvalidHandle;
    }
    return fd;
}

bool SendAll(NativeHandle connection, const void* data, std::size_t size) {
    auto bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t sent = ::send(static_cast<int>(connection), bytes, size, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool Receive(NativeHandle connection, void* buffer, std::size_t size, std::size_t& bytesRead,
             std::uint32_t timeoutMilliseconds, bool& timedOut) {
    bytesRead = 0;
    timedOut = false;
    pollfd watched{static_cast<int>(connection), POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&watched, 1, static_cast<int>(timeoutMilliseconds));
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
        timedOut = true;
        return false;
    }
    if (ready < 0) return false;
    ssize_t got;
    do {
        got = ::recv(static_cast<int>(connection), buffer, size, 0);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) return false;
    bytesRead = static_cast<std::size_t>(got);
    return true;
}

void ShutdownConnection(NativeHandle connection) {
    if (connection != kInvalidHandle) ::shutdown(static_cast<int>(connection), SHUT_RDWR);
}

}  // namespace platform
