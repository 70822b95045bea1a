// Placeholder, replaced by win-net: the network list manager over COM. Until then no manager
// can be made, which the network check reads as "check unavailable".
#include "platform/network.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<NetworkListManagerFactory> g_factory{nullptr};
}

NetworkListManager* CreateNetworkListManager() {
    NetworkListManagerFactory factory = g_factory.load();
    return factory ? factory() : nullptr;
}

NetworkListManagerFactory SetNetworkListManagerFactory(NetworkListManagerFactory factory) {
    return g_factory.exchange(factory);
}

}  // namespace platform
