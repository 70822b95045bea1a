#include "utils/network.h"

#include <memory>

#include "platform/network.h"
#include "utils/debug_log.h"

namespace Utils {

std::uint32_t CheckNetwork() {
    std::unique_ptr<platform::NetworkListManager> manager(platform::CreateNetworkListManager());
    if (!manager) return 0;
    std::uint32_t status = 0;
    std::uint32_t connectivity = manager->GetConnectivity();
    if (connectivity == platform::kConnectivityDisconnected) {
        DEBUG_LOG_AT(L"Utils::CheckNetwork", 245, L"GetConnectivity %d", static_cast<int>(connectivity));
        status = 1;
    } else if (!manager->IsConnectedToInternet()) {
        // The value a VARIANT_BOOL false carries.
        DEBUG_LOG_AT(L"Utils::CheckNetwork", 254, L"get_IsConnectedToInternet:%d", 0);
        status = 2;
    }
    return (connectivity & 0xFFFFu) | (status << 16);
}

}  // namespace Utils
