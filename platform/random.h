#pragma once
#include <array>
#include <cstdint>

namespace platform {

// 16 bytes from the system's random source, laid out as a GUID.
struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};
};

bool CreateGuid(Guid& guid);

}  // namespace platform
