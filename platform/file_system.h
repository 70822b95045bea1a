#pragma once
// Files and folders. Paths are wide text; on Linux they are handed to the system as UTF-8, on
// Windows as they are (UTF-16), through the long-path form when they exceed MAX_PATH. The narrow
// form of a path (PathToNative) is UTF-8 on both.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/identity.h"

namespace platform {

#ifdef _WIN32
constexpr wchar_t kPathSeparator = L'\\';
#else
constexpr wchar_t kPathSeparator = L'/';
#endif

std::string PathToNative(const std::wstring& path);
std::wstring PathFromNative(const std::string& path);

// Joins a name to a folder with exactly one separator between them.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
// The path without its last component (and without the separator before it).
std::wstring ParentPath(const std::wstring& path);
std::wstring FileNameOf(const std::wstring& path);
// The length of a path's root: 1 for "/" on Linux; 3 for "C:\" and the length of "\\server\share\"
// on Windows; 0 for a relative path.
std::size_t RootLength(const std::wstring& path);
inline bool IsAbsolutePath(const std::wstring& path) { return RootLength(path) > 0; }
// A character that separates the levels of a path ("/"; on Windows "\" and "/").
bool IsPathSeparator(wchar_t c);

bool PathExists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
bool IsRegularFile(const std::wstring& path);
// Creates one folder level. False when it cannot be created (an existing one is an error too).
bool CreateFolder(const std::wstring& path);
std::optional<std::uint64_t> FileSize(const std::wstring& path);
bool RemoveFile(const std::wstring& path);
// Replaces the target if it exists, atomically where the system allows it.
bool RenameFile(const std::wstring& from, const std::wstring& to);
bool CopyWholeFile(const std::wstring& from, const std::wstring& to);
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
std::wstring GetTempFolder();

// A folder nobody but its owner can use: a directory, not a symbolic link, owned by the user with
// the number given and mode 0700. One that is missing is created (and, made by root for another
// user, given to that user); one that fails the checks is refused and replaced. False when no
// such folder can be had at the path.
bool EnsurePrivateFolder(const std::wstring& path, unsigned ownerId, unsigned groupId);
// The process's own private folder "<temp>/<name>-<user number>/" (with a trailing separator),
// for files it runs or trusts; when another user squats that name, a fresh uniquely named one.
// Given an account, the account's own, made with its rights. Empty text when neither can be made.
std::wstring PrivateTempFolder(const std::wstring& name, const std::optional<UserAccount>& account = std::nullopt);

// Copies a file to a new file at the target path: whatever is there (a symbolic link included)
// is removed, never followed, the copy is created exclusively and given its mode on the open
// file. False on any failure, and then nothing is left at the target.
bool CopyToNewFile(const std::wstring& from, const std::wstring& to, unsigned mode);

// Writes a whole file through a temporary sibling, fsync and rename, so readers see the old
// content or the new one and never a mixture.
bool WriteFileAtomically(const std::wstring& path, const std::string& bytes);

// Records, INI files and the like are read whole; a file larger than this is none of them.
constexpr std::size_t kRecordFileLimit = std::size_t{1} << 20;

// Reads a regular file whole, at most `limit` bytes (a larger one counts as unreadable). It never
// waits on a pipe or reads a device, whatever a planted link points at. A symbolic link is
// followed only where the folder's owner made it and no rights are crossed: the link belongs to
// that owner, who is root or the user whose rights the thread reads with.
std::optional<std::string> ReadWholeFile(const std::wstring& path, std::size_t limit = kRecordFileLimit);

// The earlier content of a file about to be rewritten, which the new file keeps: only from a
// regular file reached through no link and owned by the user whose rights the thread uses, so
// nothing another account points or puts there is copied into what is written. kRefused leaves
// the bytes empty and names the reason.
enum class OwnFileContent { kRead, kMissing, kRefused };
OwnFileContent ReadOwnFile(const std::wstring& path, std::string& bytes, std::string& refusal,
                           std::size_t limit = kRecordFileLimit);

// Opens a download's file for appending: never through a symbolic link, and a file found there
// that belongs to another user is replaced by a fresh one, not written to. A new file is private
// to the user (mode 0600): nobody else can change what is later checked and run. Null on failure.
std::FILE* OpenFileForAppend(const std::wstring& path);

}  // namespace platform
