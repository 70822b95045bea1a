#pragma once
// Folders and free space.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/identity.h"

namespace Utils {

constexpr std::size_t kMaxPath = 260;

// Creates every missing folder of the path. Fails at once, touching nothing, for a path over 260
// characters; an existing path is success.
bool CreateDirectories(const std::wstring& path);

// The installer's own folder inside the temporary folder, private to the user the process runs
// as, or to the account given (made with its rights), created fresh or refused and replaced when
// someone else prepared it; ends with a separator. Empty text when it cannot be provided.
std::wstring GetTempWorkDir(const std::optional<platform::UserAccount>& account = std::nullopt);

class HardDiskManager {
public:
    virtual ~HardDiskManager() = default;
    // Fills the three counters; false (counters unchanged, one log line) when the query fails.
    bool CheckFreeSpace(const std::wstring& directory);

    std::uint64_t freeBytesAvailableToCaller = 0;
    std::uint64_t totalNumberOfBytes = 0;
    std::uint64_t totalNumberOfFreeBytes = 0;
};

}  // namespace Utils
