#include "utils/system_info.h"

#include "platform/identity.h"
#include "platform/os_version.h"

namespace Utils {

std::wstring VersionNameFor(unsigned major, unsigned minor, unsigned build, bool serverR2) {
    switch (major) {
        case 0: case 1: case 2: case 3: case 4:
            return L"XP-";
        case 5:
            if (minor == 0) return L"2K";
            if (minor == 1) return L"XP";
            if (minor == 2) return serverR2 ? L"Server 2003 R2" : L"Server 2003";
            return L"XP+";
        case 6:
            if (minor == 0) return L"Vista";
            if (minor == 1) return L"7";
            if (minor == 2) return L"8";
            if (minor == 3) return L"8.1";
            return L"8.1+";
        case 10:
            return minor == 0 ? L"10" : L"10+";
        default:
            return std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." +
                   std::to_wstring(build & 0xFFFFu);
    }
}

void GetOsVersionName(std::wstring& familyName, std::wstring& versionName) {
    familyName = L"Windows";
    const platform::OsVersionProvider& provider = platform::GetOsVersionProvider();
    platform::NtVersionNumbers numbers = provider.GetNtVersionNumbers();
    if (!numbers.libraryLoaded) {
        versionName = L"XP-";
        return;
    }
    unsigned major = numbers.exportFound ? numbers.major : 0;
    unsigned minor = numbers.exportFound ? numbers.minor : 0;
    bool serverR2 = major == 5 && minor == 2 && provider.IsServerR2();
    versionName = VersionNameFor(major, minor, numbers.build, serverR2);
}

bool IsWow64() {
    const platform::OsVersionProvider& provider = platform::GetOsVersionProvider();
    if (!provider.HasWow64Query()) return false;
    bool is64 = false;
    if (provider.QueryWow64(is64)) return is64;
    return provider.NativeArchitectureIs64();
}

bool GetConsoleUserName(std::wstring& name) {
    std::wstring found;
    if (!platform::GetConsoleUserName(found)) return false;
    name = found;
    return true;
}

bool IsAdminAccount(const std::wstring& userName) { return platform::IsAdminAccount(userName); }

bool IsProcessAdmin() { return platform::IsProcessElevated(); }

}  // namespace Utils
