#include "platform/pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool CreatePipe(NativeHandle& readEnd, NativeHandle& writeEnd) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return false;
    readEnd = ends[0];
    writeEnd = ends[1];
    return true;
}

void CloseHandle(NativeHandle& handle) {
    if (handle == kInvalidHandle) return;
    ::close(static_cast<int>(handle));
    handle = kInvalidHandle;
}

bool ReadFile(NativeHandle handle, void* buffer, std::size_t size, std::size_t& bytesRead) {
    bytesRead = 0;
    if (handle == kInvalidHandle) return false;
    while (true) {
        ssize_t got = ::read(static_cast<int>(handle), buffer, size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        bytesRead = static_cast<std::size_t>(got);
        return true;
    }
}

bool WriteFile(NativeHandle handle, const void* buffer, std::size_t size) {
    auto data = static_cast<const char*>(buffer);
    while (size > 0) {
        ssize_t written = ::write(static_cast<int>(handle), data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool WaitForReadable(NativeHandle handle, std::uint32_t timeoutMilliseconds) {
    if (handle == kInvalidHandle) return true;
    pollfd watched{};
    watched.fd = static_cast<int>(handle);
    watched.events = POLLIN;
    while (true) {
        int ready = ::poll(&watched, 1, static_cast<int>(timeoutMilliseconds));
        if (ready < 0 && errno == EINTR) continue;
        // An error counts as readable: the read that follows reports it.
        return ready != 0;
    }
}

}  // namespace platform
