#include "utils/disk.h"

#include "platform/file_system.h"
#include "utils/debug_log.h"

namespace Utils {

bool CreateDirectories(const std::wstring& path) {
    if (path.size() > kMaxPath) return false;
    // Every separator of the system counts: Windows takes "/" as well as "\\".
    for (std::size_t at = 0; at < path.size(); ++at) {
        if (!platform::IsPathSeparator(path[at])) continue;
        std::wstring prefix = path.substr(0, at + 1);
        if (!platform::PathExists(prefix) && !platform::CreateFolder(prefix)) return false;
    }
    if (!path.empty() && !platform::IsPathSeparator(path.back()) && !platform::PathExists(path))
        return platform::CreateFolder(path);
    return true;
}

std::wstring GetTempWorkDir(const std::optional<platform::UserAccount>& account) {
    // The old uninstaller is copied here and run: a shared folder anyone could have prepared
    // will not do.
    return platform::PrivateTempFolder(L"~VemarTemp.92482B06FB471E17", account);
}

bool HardDiskManager::CheckFreeSpace(const std::wstring& directory) {
    platform::DiskSpace space;
    long errorCode = 0;
    if (!platform::QueryDiskSpace(directory, space, errorCode)) {
        DEBUG_LOG_AT(L"Utils::HardDiskManager::CheckFreeSpace", 35,
                     L"HardDiskManager::CheckFreeSpace FAIL code=%ld\r\n", errorCode);
        return false;
    }
    freeBytesAvailableToCaller = space.availableToCaller;
    totalNumberOfBytes = space.total;
    totalNumberOfFreeBytes = space.totalFree;
    return true;
}

}  // namespace Utils
