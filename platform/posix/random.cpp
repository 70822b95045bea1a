#include "platform/random.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>

namespace platform {

bool CreateGuid(Guid& guid) {
    std::uint8_t bytes[16];
    std::size_t filled = 0;
    while (filled < sizeof bytes) {
        ssize_t got = ::getrandom(bytes + filled, sizeof bytes - filled, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        filled += static_cast<std::size_t>(got);
    }
    // A version 4 GUID, as the system's generator makes.
    bytes[7] = static_cast<std::uint8_t>((bytes[7] & 0x0F) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    std::memcpy(&guid.data1, bytes, 4);
    std::memcpy(&guid.data2, bytes + 4, 2);
    std::memcpy(&guid.data3, bytes + 6, 2);
    std::memcpy(guid.data4.data(), bytes + 8, 8);
    return true;
}

}  // namespace platform
