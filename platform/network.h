#pragma once
#include <cstdint>

namespace platform {

// Flags of the network list manager's connectivity value.
constexpr std::uint32_t kConnectivityDisconnected = 0x0000;
constexpr std::uint32_t kConnectivityIpv4NoTraffic = 0x0001;
constexpr std::uint32_t kConnectivityIpv6NoTraffic = 0x0002;
constexpr std::uint32_t kConnectivityIpv4Subnet = 0x0010;
constexpr std::uint32_t kConnectivityIpv4LocalNetwork = 0x0020;
constexpr std::uint32_t kConnectivityIpv4Internet = 0x0040;
constexpr std::uint32_t kConnectivityIpv6Internet = 0x0400;

class NetworkListManager {
public:
    virtual ~NetworkListManager() = default;
    virtual std::uint32_t GetConnectivity() = 0;
    virtual bool IsConnectedToInternet() = 0;
};

// Null when no network manager can be reached (the check is then unavailable).
using NetworkListManagerFactory = NetworkListManager* (*)();
NetworkListManager* CreateNetworkListManager();
// Replaces the factory (tests); null restores the system's. Returns the previous one.
NetworkListManagerFactory SetNetworkListManagerFactory(NetworkListManagerFactory factory);

}  // namespace platform
