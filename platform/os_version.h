#pragma once
// What the installer asks of the operating system's version. The provider can be replaced so
// that tests can pretend to be any system.
#include <cstdint>

namespace platform {

struct NtVersionNumbers {
    bool libraryLoaded = true;  // the system library that reports versions could be loaded
    bool exportFound = true;    // it has the version export
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
};

class OsVersionProvider {
public:
    virtual ~OsVersionProvider() = default;
    virtual NtVersionNumbers GetNtVersionNumbers() const = 0;
    virtual bool IsServerR2() const = 0;
    // The 64-bit query may be missing, may fail, or may answer; when it fails the native
    // processor architecture decides.
    virtual bool HasWow64Query() const = 0;
    virtual bool QueryWow64(bool& is64) const = 0;
    virtual bool NativeArchitectureIs64() const = 0;
};

const OsVersionProvider& GetOsVersionProvider();
// Replaces the provider; null restores the system's. Returns the previous one.
const OsVersionProvider* SetOsVersionProvider(const OsVersionProvider* provider);

}  // namespace platform
