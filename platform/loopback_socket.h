#pragma once
// TCP on the loopback address only: enough for the small HTTP servers that tests and tools run
// beside the installer. Handles are the opaque numbers of platform/pipe.h (CloseHandle closes
// them).
#include <cstddef>
#include <cstdint>

#include "platform/pipe.h"

namespace platform {

class LoopbackListener {
public:
    LoopbackListener() = default;
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // Listens on 127.0.0.1 at the port, or at a free one for 0.
    bool Listen(std::uint16_t port = 0);
    std::uint16_t Port() const { return m_port; }
    // A connection, or kInvalidHandle when none came within the time.
    NativeHandle Accept(std::uint32_t timeoutMilliseconds);
    void Close();

private:
    NativeHandle m_socket = kInvalidHandle;
    std::uint16_t m_port = 0;
};

// A connection to 127.0.0.1 at the port, or kInvalidHandle when none can be made.
NativeHandle ConnectLoopback(std::uint16_t port);

// Sends everything; false when the peer has gone.
bool SendAll(NativeHandle connection, const void* data, std::size_t size);
// Waits up to the time for bytes; false at the end of the stream, on an error or on time-out
// (then bytesRead stays 0 and timedOut is set).
bool Receive(NativeHandle connection, void* buffer, std::size_t size, std::size_t& bytesRead,
             std::uint32_t timeoutMilliseconds, bool& timedOut);
// Ends both directions of a connection without closing its handle: a thread blocked sending to
// or receiving from it returns at once. Lets a server stop connections other threads serve.
void ShutdownConnection(NativeHandle connection);

}  // namespace platform
