#include "platform/loopback_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>
#include <mutex>

namespace platform {
namespace {

// Winsock is started once for the process and left running until it ends.
bool StartWinsock() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        WSADATA data{};
        started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    });
    return started;
}

SOCKET ToSocket(NativeHandle handle) { return static_cast<SOCKET>(handle); }

NativeHandle FromSocket(SOCKET socket) {
    return socket == INVALID_SOCKET ? kInvalidHandle : static_cast<NativeHandle>(socket);
}

// A socket not inherited by the programs the process starts.
SOCKET NewSocket() {
    const SOCKET made = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    return made;
}

// True when the socket is readable (or failed) within the time.
int WaitReadable(SOCKET socket, std::uint32_t timeoutMilliseconds) {
    WSAPOLLFD watched{};
    watched.fd = socket;
    watched.events = POLLRDNORM;
    const int timeout = timeoutMilliseconds > INT_MAX ? INT_MAX : static_cast<int>(timeoutMilliseconds);
    return ::WSAPoll(&watched, 1, timeout);
}

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

}  // namespace

LoopbackListener::~LoopbackListener() { Close(); }

bool LoopbackListener::Listen(std::uint16_t port) {
    Close();
    if (!StartWinsock()) return false;
    SOCKET listener = NewSocket();
    if (listener == INVALID_SOCKET) return false;
    // Nobody else may bind the same port while this one listens (SO_REUSEADDR means the
    // opposite on Windows).
    BOOL exclusive = TRUE;
    ::setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    sockaddr_in address = Loopback(port);
    int length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::closesocket(listener);
        return false;
    }
    m_socket = FromSocket(listener);
    m_port = ntohs(address.sin_port);
    return true;
}

NativeHandle LoopbackListener::Accept(std::uint32_t timeoutMilliseconds) {
    if (m_socket == kInvalidHandle) return kInvalidHandle;
    if (WaitReadable(ToSocket(m_socket), timeoutMilliseconds) <= 0) return kInvalidHandle;
    const SOCKET connection = ::accept(ToSocket(m_socket), nullptr, nullptr);
    if (connection == INVALID_SOCKET) return kInvalidHandle;
    ::SetHandleInformation(reinterpret_cast<HANDLE>(connection), HANDLE_FLAG_INHERIT, 0);
    return FromSocket(connection);
}

void LoopbackListener::Close() {
    if (m_socket != kInvalidHandle) ::closesocket(ToSocket(m_socket));
    m_socket = kInvalidHandle;
    m_port = 0;
}

NativeHandle ConnectLoopback(std::uint16_t port) {
    if (!StartWinsock()) return kInvalidHandle;
    SOCKET connection = NewSocket();
    if (connection == INVALID_SOCKET) return kInvalidHandle;
    sockaddr_in address = Loopback(port);
    if (::connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::closesocket(connection);
        return kInvalidHandle;
    }
    return FromSocket(connection);
}

bool SendAll(NativeHandle connection, const void* data, std::size_t size) {
    auto bytes = static_cast<const char*>(data);
    while (size > 0) {
        const int chunk = size > 0x40000000 ? 0x40000000 : static_cast<int>(size);
        const int sent = ::send(ToSocket(connection), bytes, chunk, 0);
        if (sent <= 0) return false;
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool Receive(NativeHandle connection, void* buffer, std::size_t size, std::size_t& bytesRead,
             std::uint32_t timeoutMilliseconds, bool& timedOut) {
    bytesRead = 0;
    timedOut = false;
    const int ready = WaitReadable(ToSocket(connection), timeoutMilliseconds);
    if (ready == 0) {
        timedOut = true;
        return false;
    }
    if (ready < 0) return false;
    const int wanted = size > INT_MAX ? INT_MAX : static_cast<int>(size);
    const int got = ::recv(ToSocket(connection), static_cast<char*>(buffer), wanted, 0);
    if (got <= 0) return false;
    bytesRead = static_cast<std::size_t>(got);
    return true;
}

void ShutdownConnection(NativeHandle connection) {
    if (connection != kInvalidHandle) ::shutdown(ToSocket(connection), SD_BOTH);
}

}  // namespace platform
