#pragma once
#include <cstdint>

namespace Utils {

// Low 16 bits: the connectivity flags; high 16 bits: 0 connected or check unavailable, 1 no
// connectivity, 2 connectivity without internet. Callers treat any value above 0xFFFF as a poor
// network. 0 when no network manager can be reached.
std::uint32_t CheckNetwork();

}  // namespace Utils
