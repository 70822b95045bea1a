#include "platform/posix/gio_library.h"

#include <dlfcn.h>

#include <string>

#include "platform/utf8.h"

namespace platform {
namespace {

template <class Function>
bool Resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

struct Loaded {
    GioLibrary functions{};
    bool ok = false;
    std::wstring error;
};

Loaded Load() {
    Loaded loaded;
    // Never closed: GLib's threads and type tables stay for the process once they exist.
    void* library = ::dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = ::dlerror();
        loaded.error = L"GIO cannot be loaded: " + Utf8ToWideLossy(reason ? reason : "libgio-2.0.so.0");
        return loaded;
    }
    GioLibrary& f = loaded.functions;
    loaded.ok = Resolve(library, "g_app_info_launch_default_for_uri", f.app_info_launch_default_for_uri) &&
                Resolve(library, "g_bus_get_sync", f.bus_get_sync) &&
                Resolve(library, "g_dbus_connection_call_sync", f.dbus_connection_call_sync) &&
                Resolve(library, "g_variant_new", f.variant_new) &&
                Resolve(library, "g_variant_get", f.variant_get) &&
                Resolve(library, "g_variant_is_of_type", f.variant_is_of_type) &&
                Resolve(library, "g_variant_get_uint32", f.variant_get_uint32) &&
                Resolve(library, "g_variant_unref", f.variant_unref) &&
                Resolve(library, "g_object_unref", f.object_unref) &&
                Resolve(library, "g_error_free", f.error_free);
    if (!loaded.ok) loaded.error = L"GIO lacks a function this program needs";
    return loaded;
}

}  // namespace

const GioLibrary* Gio(std::wstring* error) {
    static const Loaded loaded = Load();
    if (!loaded.ok) {
        if (error) *error = loaded.error;
        return nullptr;
    }
    return &loaded.functions;
}

}  // namespace platform
