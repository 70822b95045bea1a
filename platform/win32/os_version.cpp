#include "platform/os_version.h"

#include <windows.h>

#include <atomic>

namespace platform {
namespace {

using RtlGetNtVersionNumbersFunction = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, BOOL*);

// The numbers come from ntdll's export, looked up at run time as the system may lack it; the
// 64-bit question from kernel32's IsWow64Process, likewise.
class SystemOsVersionProvider final : public OsVersionProvider {
public:
    NtVersionNumbers GetNtVersionNumbers() const override {
        NtVersionNumbers numbers;
        HMODULE ntdll = ::LoadLibraryW(L"ntdll.dll");
        if (!ntdll) {
            numbers.libraryLoaded = false;
            numbers.exportFound = false;
            return numbers;
        }
        auto query = reinterpret_cast<RtlGetNtVersionNumbersFunction>(
            reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetNtVersionNumbers")));
        numbers.exportFound = query != nullptr;
        if (query) {
            DWORD major = 0, minor = 0, build = 0;
            query(&major, &minor, &build);
            numbers.major = major;
            numbers.minor = minor;
            numbers.build = build;
        }
        ::FreeLibrary(ntdll);
        return numbers;
    }
    bool IsServerR2() const override { return ::GetSystemMetrics(SM_SERVERR2) != 0; }
    bool HasWow64Query() const override { return Wow64Query() != nullptr; }
    bool QueryWow64(bool& is64) const override {
        IsWow64ProcessFunction query = Wow64Query();
        BOOL wow64 = FALSE;
        if (!query || !query(::GetCurrentProcess(), &wow64)) return false;
        // A 64-bit program never runs under WOW64: its own width answers for the system.
        is64 = wow64 != FALSE || sizeof(void*) == 8;
        return true;
    }
    bool NativeArchitectureIs64() const override {
        SYSTEM_INFO info{};
        ::GetNativeSystemInfo(&info);
        return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
               info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
    }

private:
    static IsWow64ProcessFunction Wow64Query() {
        HMODULE kernel32 = ::GetModuleHandleW(L"kernel32");
        if (!kernel32) return nullptr;
        return reinterpret_cast<IsWow64ProcessFunction>(reinterpret_cast<void*>(::GetProcAddress(kernel32, "IsWow64Process")));
    }
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
