#pragma once
// GIO, loaded on first use. A windowless run that never starts a program nor asks the network
// manager does without it: linked, GIO and its type tables hold about 2.4 MiB of every process,
// which is a sixth of a download's whole footprint.
#include <gio/gio.h>

#include <string>

namespace platform {

struct GioLibrary {
    decltype(&g_app_info_launch_default_for_uri) app_info_launch_default_for_uri;
    decltype(&g_bus_get_sync) bus_get_sync;
    decltype(&g_dbus_connection_call_sync) dbus_connection_call_sync;
    decltype(&g_variant_new) variant_new;
    decltype(&g_variant_get) variant_get;
    decltype(&g_variant_is_of_type) variant_is_of_type;
    decltype(&g_variant_get_uint32) variant_get_uint32;
    decltype(&g_variant_unref) variant_unref;
    decltype(&g_object_unref) object_unref;
    decltype(&g_error_free) error_free;
};

// The library's functions, or null (with the reason in error when given) where it cannot be
// loaded. Loaded once per process, from any thread.
const GioLibrary* Gio(std::wstring* error = nullptr);

// What the macros of the headers would call: a type string is its own GVariantType.
inline const GVariantType* VariantType(const char* typeString) {
    return reinterpret_cast<const GVariantType*>(typeString);
}

}  // namespace platform
