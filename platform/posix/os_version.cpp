#include "platform/os_version.h"

#include <atomic>

namespace platform {
namespace {

// Linux has no NT version numbers; it is a modern system, reported as 10.0, 64-bit when the
// installer itself is a 64-bit program.
class SystemOsVersionProvider final : public OsVersionProvider {
public:
    NtVersionNumbers GetNtVersionNumbers() const override {
        NtVersionNumbers numbers;
        numbers.major = 10;
        numbers.minor = 0;
        numbers.build = 19045;
        return numbers;
    }
    bool IsServerR2() const override { return false; }
    bool HasWow64Query() const override { return true; }
    bool QueryWow64(bool& is64) const override {
        is64 = sizeof(void*) == 8;
        return true;
    }
    bool NativeArchitectureIs64() const override { return sizeof(void*) == 8; }
};

const SystemOsVersionProvider g_systemProvider;
std::atomic<const OsVersionProvider*> g_provider{nullptr};

}  // namespace

const OsVersionProvider& GetOsVersionProvider() {
    const OsVersionProvider* provider = g_provider.load();
    return provider ? *provider : g_systemProvider;
}

const OsVersionProvider* SetOsVersionProvider(const OsVersionProvider* provider) {
    return g_provider.exchange(provider);
}

}  // namespace platform
