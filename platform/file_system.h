#pragma once
// Files and folders. Paths are wide text; on Linux they are handed to the system as UTF-8.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

constexpr wchar_t kPathSeparator = L'/';

std::string PathToNative(const std::wstring& path);
std::wstring PathFromNative(const std::string& path);

// Joins a name to a folder with exactly one separator between them.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
// The path without its last component (and without the separator before it).
std::wstring ParentPath(const std::wstring& path);
std::wstring FileNameOf(const std::wstring& path);

bool PathExists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
bool IsRegularFile(const std::wstring& path);
// Creates one folder level. False when it cannot be created (an existing one is an error too).
bool CreateFolder(const std::wstring& path);
std::optional<std::uint64_t> FileSize(const std::wstring& path);
bool DeleteFile(const std::wstring& path);
// Replaces the target if it exists, atomically where the system allows it.
bool RenameFile(const std::wstring& from, const std::wstring& to);
bool CopyFile(const std::wstring& from, const std::wstring& to);
bool SetExecutable(const std::wstring& path);
// Creates an empty file that did not exist (never through a symbolic link); false when anything
// is already there or it cannot be created.
bool CreateExclusiveFile(const std::wstring& path);
// Both paths exist and name the same file or folder (the same device and inode).
bool IsSameFile(const std::wstring& a, const std::wstring& b);
// Appends the whole content of one file to another, inside the system where it can: joining
// the parts of a large download then costs no copies through this process. False on any
// failure; the target may then hold part of the content.
bool AppendFileContent(const std::wstring& from, const std::wstring& to);

struct DiskSpace {
    std::uint64_t availableToCaller = 0;
    std::uint64_t total = 0;
    std::uint64_t totalFree = 0;
};
// False with the system error code when the query fails.
bool QueryDiskSpace(const std::wstring& path, DiskSpace& space, long& errorCode);

// The temporary folder with a trailing separator ($TMPDIR or /tmp/).
std::wstring GetTempPath();

// Writes a whole file through a temporary sibling, fsync and rename, so readers see the old
// content or the new one and never a mixture.
bool WriteFileAtomically(const std::wstring& path, const std::string& bytes);
std::optional<std::string> ReadWholeFile(const std::wstring& path);

}  // namespace platform
