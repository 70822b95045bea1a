#include "platform/network.h"

#include <atomic>
#include <optional>

#include "platform/posix/gio_library.h"

namespace platform {
namespace {

constexpr int kCallTimeoutMilliseconds = 2000;

// NetworkManager's answers, as its D-Bus interface documents them.
enum NmConnectivity : std::uint32_t { kNmUnknown = 0, kNmNone = 1, kNmPortal = 2, kNmLimited = 3, kNmFull = 4 };
enum NmState : std::uint32_t { kNmStateUnknown = 0, kNmStateConnectedLocal = 50, kNmStateConnectedSite = 60, kNmStateConnectedGlobal = 70 };

std::optional<std::uint32_t> ReadProperty(const GioLibrary& gio, GDBusConnection* connection, const char* name) {
    GError* error = nullptr;
    GVariant* reply = gio.dbus_connection_call_sync(
        connection, "org.freedesktop.NetworkManager", "/org/freedesktop/NetworkManager",
        "org.freedesktop.DBus.Properties", "Get",
        gio.variant_new("(ss)", "org.freedesktop.NetworkManager", name), VariantType("(v)"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMilliseconds, nullptr, &error);
    if (!reply) {
        if (error) gio.error_free(error);
        return std::nullopt;
    }
    GVariant* boxed = nullptr;
    gio.variant_get(reply, "(v)", &boxed);
    std::optional<std::uint32_t> value;
    if (boxed && gio.variant_is_of_type(boxed, VariantType("u"))) value = gio.variant_get_uint32(boxed);
    if (boxed) gio.variant_unref(boxed);
    gio.variant_unref(reply);
    return value;
}

// Translates NetworkManager's view into the network list manager's flags.
class NetworkManagerConnectivity final : public NetworkListManager {
public:
    explicit NetworkManagerConnectivity(std::uint32_t flags, bool internet)
        : m_flags(flags), m_internet(internet) {}
    std::uint32_t GetConnectivity() override { return m_flags; }
    bool IsConnectedToInternet() override { return m_internet; }

private:
    std::uint32_t m_flags;
    bool m_internet;
};

NetworkListManager* CreateSystemManager() {
    const GioLibrary* gio = Gio();
    if (!gio) return nullptr;  // the check is unavailable
    GError* error = nullptr;
    GDBusConnection* connection = gio->bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
    if (!connection) {
        if (error) gio->error_free(error);
        return nullptr;
    }
    auto connectivity = ReadProperty(*gio, connection, "Connectivity");
    auto state = ReadProperty(*gio, connection, "State");
    gio->object_unref(connection);
    if (!connectivity && !state) return nullptr;  // no NetworkManager: the check is unavailable

    std::uint32_t level = connectivity.value_or(kNmUnknown);
    if (level == kNmUnknown) {
        // Connectivity checking is off; fall back to the coarser connection state.
        std::uint32_t s = state.value_or(kNmStateUnknown);
        if (s == kNmStateUnknown || s >= kNmStateConnectedGlobal) level = kNmFull;
        else if (s >= kNmStateConnectedLocal) level = kNmLimited;
        else level = kNmNone;
    }
    switch (level) {
        case kNmNone:
            return new NetworkManagerConnectivity(kConnectivityDisconnected, false);
        case kNmPortal:
        case kNmLimited:
            return new NetworkManagerConnectivity(kConnectivityIpv4LocalNetwork, false);
        default:
            return new NetworkManagerConnectivity(kConnectivityIpv4Internet, true);
    }
}

std::atomic<NetworkListManagerFactory> g_factory{nullptr};

}  // namespace

NetworkListManager* CreateNetworkListManager() {
    NetworkListManagerFactory factory = g_factory.load();
    return factory ? factory() : CreateSystemManager();
}

NetworkListManagerFactory SetNetworkListManagerFactory(NetworkListManagerFactory factory) {
    return g_factory.exchange(factory);
}

}  // namespace platform
