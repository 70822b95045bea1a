#include "platform/file_system.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sddl.h>

#include <map>
#include <mutex>
#include <vector>

#include "platform/file_reader.h"
#include "platform/random.h"
#include "platform/utf8.h"
#include "platform/win32/windows_helpers.h"

namespace platform {
namespace {

using win32::ExtendedPath;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool Attributes(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return !path.empty() && ::GetFileAttributesExW(ExtendedPath(path).c_str(), GetFileExInfoStandard, &data);
}

bool WriteAll(HANDLE file, const char* data, std::size_t size) {
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

std::wstring UniqueSuffix() {
    Guid guid;
    CreateGuid(guid);
    wchar_t text[24];
    swprintf(text, 24, L".%08lx%04x", static_cast<unsigned long>(guid.data1), guid.data2);
    return text;
}

// The file itself, never what a reparse point (a symbolic link, a junction) leads to: a regular
// file of the disk, or nothing. `error` is the system's reason when the open itself failed.
HANDLE OpenRegular(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD& error,
                   std::string* refusal = nullptr) {
    error = ERROR_SUCCESS;
    HANDLE file = ::CreateFileW(ExtendedPath(path).c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        if (refusal) *refusal = WideToUtf8(win32::ErrorText(error));
        return INVALID_HANDLE_VALUE;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool got = ::GetFileInformationByHandle(file, &info);
    if (got && !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) &&
        ::GetFileType(file) == FILE_TYPE_DISK)
        return file;
    if (refusal) *refusal = got && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? "a symbolic link" : "not a regular file";
    ::CloseHandle(file);
    error = ERROR_ACCESS_DENIED;
    return INVALID_HANDLE_VALUE;
}

// Reads up to `limit` bytes; nothing when the file holds more.
std::optional<std::string> ReadCapped(HANDLE file, std::size_t limit) {
    std::string bytes;
    std::vector<char> buffer(65536);
    while (true) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return std::nullopt;
        if (got == 0) return bytes;
        if (bytes.size() + got > limit) return std::nullopt;
        bytes.append(buffer.data(), got);
    }
}

// A folder, not a reparse point, belonging to the process's user.
bool IsPrivateFolder(const std::wstring& path) {
    HANDLE folder = ::CreateFileW(ExtendedPath(path).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = ::GetFileInformationByHandle(folder, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && win32::IsOwnedByProcessUser(folder);
    ::CloseHandle(folder);
    return ok;
}

// A folder only the process's user (and the system) may enter, whatever the folder above lets
// everyone do: its access list is its own, inheriting nothing.
bool CreatePrivateFolder(const std::wstring& path) {
    const std::wstring sid = win32::ProcessUserSid();
    if (sid.empty()) return ::CreateDirectoryW(ExtendedPath(path).c_str(), nullptr) != 0;
    const std::wstring sddl = L"D:P(A;OICI;FA;;;" + sid + L")(A;OICI;FA;;;SY)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const bool made = ::CreateDirectoryW(ExtendedPath(path).c_str(), &attributes) != 0;
    ::LocalFree(descriptor);
    return made;
}

// Moves a refused entry out of the way: a folder is renamed aside rather than emptied, a link or
// a file removed (the link itself, never what it leads to).
bool SetAside(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(ExtendedPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ::RemoveDirectoryW(ExtendedPath(path).c_str()) != 0;
        return ::MoveFileExW(ExtendedPath(path).c_str(), ExtendedPath(path + L".refused" + UniqueSuffix()).c_str(), 0) != 0;
    }
    return ::DeleteFileW(ExtendedPath(path).c_str()) != 0;
}

}  // namespace

std::string PathToNative(const std::wstring& path) { return WideToUtf8(path); }
std::wstring PathFromNative(const std::string& path) { return Utf8ToWideLossy(path); }

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) return name;
    std::size_t skip = 0;
    while (skip < name.size() && IsSeparator(name[skip])) ++skip;
    if (IsSeparator(folder.back())) return folder + name.substr(skip);
    return folder + kPathSeparator + name.substr(skip);
}

std::wstring ParentPath(const std::wstring& path) {
    const auto position = path.find_last_of(L"\\/");
    if (position == std::wstring::npos) return {};
    // The root of a drive keeps its separator: "C:" alone would name the drive's current folder.
    if (position == 2 && path[1] == L':') return path.substr(0, 3);
    if (position == 0) return std::wstring(1, path[0]);
    return path.substr(0, position);
}

std::wstring FileNameOf(const std::wstring& path) {
    const auto position = path.find_last_of(L"\\/");
    return position == std::wstring::npos ? path : path.substr(position + 1);
}

std::size_t RootLength(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]) &&
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')))
        return 3;
    // "\\server\share\": both names present.
    if (path.size() < 5 || !IsSeparator(path[0]) || !IsSeparator(path[1]) || IsSeparator(path[2])) return 0;
    const std::size_t server = path.find_first_of(L"\\/", 2);
    if (server == std::wstring::npos || server + 1 >= path.size() || IsSeparator(path[server + 1])) return 0;
    const std::size_t share = path.find_first_of(L"\\/", server + 1);
    return share == std::wstring::npos ? path.size() : share + 1;
}

bool IsPathSeparator(wchar_t c) { return IsSeparator(c); }

bool PathExists(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return Attributes(path, data);
}

bool IsDirectory(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return Attributes(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsRegularFile(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return Attributes(path, data) && !(data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

bool CreateFolder(const std::wstring& path) {
    return !path.empty() && ::CreateDirectoryW(ExtendedPath(path).c_str(), nullptr) != 0;
}

std::optional<std::uint64_t> FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!Attributes(path, data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// A file still open somewhere (a digest following it, sharing deletion) lingers under its name
// until the last handle goes, and nothing new can be made there meanwhile: it is renamed aside
// first, so its name is free at once, as on Linux.
bool RemoveFile(const std::wstring& path) {
    if (path.empty()) return false;
    const std::wstring aside = path + L".deleted" + UniqueSuffix();
    if (::MoveFileExW(ExtendedPath(path).c_str(), ExtendedPath(aside).c_str(), 0)) {
        if (::DeleteFileW(ExtendedPath(aside).c_str())) return true;
        // Not removable after all (read-only): put back, and fail as DeleteFileW would.
        ::MoveFileExW(ExtendedPath(aside).c_str(), ExtendedPath(path).c_str(), 0);
        return false;
    }
    return ::DeleteFileW(ExtendedPath(path).c_str()) != 0;
}

bool RenameFile(const std::wstring& from, const std::wstring& to) {
    if (from.empty() || to.empty()) return false;
    return ::MoveFileExW(ExtendedPath(from).c_str(), ExtendedPath(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool CopyWholeFile(const std::wstring& from, const std::wstring& to) {
    std::optional<std::string> bytes = ReadWholeFile(from, static_cast<std::size_t>(-1));
    return bytes && WriteFileAtomically(to, *bytes);
}

// Windows runs any file it can read as a program; there is no bit to set.
bool SetExecutable(const std::wstring& path) { return PathExists(path); }

bool CreateExclusiveFile(const std::wstring& path) {
    if (path.empty()) return false;
    HANDLE file = ::CreateFileW(ExtendedPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    return ::CloseHandle(file) != 0;
}

bool IsSameFile(const std::wstring& a, const std::wstring& b) {
    std::optional<FileIdentity> first = IdentityOf(a);
    std::optional<FileIdentity> second = IdentityOf(b);
    return first && second && *first == *second;
}

bool AppendFileContent(const std::wstring& from, const std::wstring& to) {
    if (from.empty() || to.empty()) return false;
    HANDLE source = ::CreateFileW(ExtendedPath(from).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (source == INVALID_HANDLE_VALUE) return false;
    HANDLE target = ::CreateFileW(ExtendedPath(to).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = target != INVALID_HANDLE_VALUE;
    std::vector<char> block(1 << 20);
    while (ok) {
        DWORD got = 0;
        if (!::ReadFile(source, block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        ok = WriteAll(target, block.data(), got);
    }
    if (target != INVALID_HANDLE_VALUE && !::CloseHandle(target)) ok = false;
    ::CloseHandle(source);
    return ok;
}

bool QueryDiskSpace(const std::wstring& path, DiskSpace& space, long& errorCode) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (path.empty()) {
        errorCode = ERROR_PATH_NOT_FOUND;
        return false;
    }
    if (!::GetDiskFreeSpaceExW(path.c_str(), &available, &total, &free)) {
        errorCode = static_cast<long>(::GetLastError());
        return false;
    }
    space.availableToCaller = available.QuadPart;
    space.total = total.QuadPart;
    space.totalFree = free.QuadPart;
    errorCode = 0;
    return true;
}

std::wstring GetTempFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring folder = length > 0 && length <= MAX_PATH ? std::wstring(buffer, length) : L"C:\\Windows\\Temp\\";
    if (!IsSeparator(folder.back())) folder += kPathSeparator;
    return folder;
}

// The numbers of a Linux account mean nothing here: the folder is the process user's.
bool EnsurePrivateFolder(const std::wstring& path, unsigned, unsigned) {
    std::wstring folder = path;
    while (folder.size() > 3 && IsSeparator(folder.back())) folder.pop_back();
    if (folder.empty()) return false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (CreatePrivateFolder(folder)) return true;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
        if (IsPrivateFolder(folder)) return true;
        if (!SetAside(folder)) return false;
    }
    return false;
}

// %TEMP% is the user's own folder on Windows, so the name needs no user number; the account of
// a run through sudo never comes.
std::wstring PrivateTempFolder(const std::wstring& name, const std::optional<UserAccount>&) {
    const std::wstring folder = GetTempFolder() + name;
    if (EnsurePrivateFolder(folder, 0, 0)) return folder + kPathSeparator;
    // Something there that cannot be set aside: a folder of a unique name instead, made once
    // and kept for the process while it stays private.
    static std::mutex mutex;
    static std::map<std::wstring, std::wstring> made;
    std::lock_guard<std::mutex> lock(mutex);
    auto found = made.find(folder);
    if (found != made.end() && IsPrivateFolder(found->second)) return found->second + kPathSeparator;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const std::wstring unique = folder + UniqueSuffix();
        if (CreatePrivateFolder(unique)) {
            made[folder] = unique;
            return unique + kPathSeparator;
        }
    }
    return {};
}

bool CopyToNewFile(const std::wstring& from, const std::wstring& to, unsigned) {
    if (to.empty()) return false;
    // Whatever is at the target goes first; a link is removed itself, never followed.
    if (!::DeleteFileW(ExtendedPath(to).c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    HANDLE source = ::CreateFileW(ExtendedPath(from).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (source == INVALID_HANDLE_VALUE) return false;
    HANDLE copy = ::CreateFileW(ExtendedPath(to).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (copy == INVALID_HANDLE_VALUE) {
        ::CloseHandle(source);
        return false;
    }
    bool ok = true;
    std::vector<char> block(1 << 16);
    while (ok) {
        DWORD got = 0;
        if (!::ReadFile(source, block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        ok = WriteAll(copy, block.data(), got);
    }
    ok = ::CloseHandle(copy) && ok;
    ::CloseHandle(source);
    if (!ok) ::DeleteFileW(ExtendedPath(to).c_str());
    return ok;
}

bool WriteFileAtomically(const std::wstring& path, const std::string& bytes) {
    if (path.empty()) return false;
    const std::wstring temporary = path + UniqueSuffix();
    HANDLE file = ::CreateFileW(ExtendedPath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(file, bytes.data(), bytes.size()) && ::FlushFileBuffers(file);
    ok = ::CloseHandle(file) && ok;
    // Replaces the old file in one step, written through to the disk before it returns.
    if (ok) ok = ::MoveFileExW(ExtendedPath(temporary).c_str(), ExtendedPath(path).c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) ::DeleteFileW(ExtendedPath(temporary).c_str());
    return ok;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path, std::size_t limit) {
    if (path.empty()) return std::nullopt;
    DWORD error = 0;
    HANDLE file = OpenRegular(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              OPEN_EXISTING, error);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::string> bytes = ReadCapped(file, limit);
    ::CloseHandle(file);
    return bytes;
}

OwnFileContent ReadOwnFile(const std::wstring& path, std::string& bytes, std::string& refusal, std::size_t limit) {
    bytes.clear();
    refusal.clear();
    DWORD error = 0;
    HANDLE file = OpenRegular(path, GENERIC_READ | READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              OPEN_EXISTING, error, &refusal);
    if (file == INVALID_HANDLE_VALUE) {
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            refusal.clear();
            return OwnFileContent::kMissing;
        }
        return OwnFileContent::kRefused;
    }
    if (!win32::IsOwnedByProcessUser(file)) {
        refusal = "owned by another account";
    } else if (std::optional<std::string> content = ReadCapped(file, limit)) {
        bytes = std::move(*content);
    } else {
        refusal = "unreadable or larger than " + std::to_string(limit) + " bytes";
    }
    ::CloseHandle(file);
    return refusal.empty() ? OwnFileContent::kRead : OwnFileContent::kRefused;
}

std::FILE* OpenFileForAppend(const std::wstring& path) {
    if (path.empty()) return nullptr;
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Others may read it (the digest follows the file as it grows) and remove or rename it,
        // but nobody else writes to it while it is open.
        DWORD error = 0;
        HANDLE file = OpenRegular(path, GENERIC_READ | FILE_APPEND_DATA | READ_CONTROL,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_ALWAYS, error);
        if (file != INVALID_HANDLE_VALUE && win32::IsOwnedByProcessUser(file)) {
            const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_APPEND | _O_BINARY);
            if (descriptor < 0) {
                ::CloseHandle(file);
                return nullptr;
            }
            if (std::FILE* stream = ::_fdopen(descriptor, "a+b")) return stream;
            ::_close(descriptor);
            return nullptr;
        }
        // A link, or a file of another account's, where the file should be: removed, never
        // followed or written to, and a fresh one made. Anything else there is an error.
        const bool foreign = file != INVALID_HANDLE_VALUE;
        win32::CloseIfOpen(file);
        const DWORD attributes = ::GetFileAttributesW(ExtendedPath(path).c_str());
        const bool link = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
        if (attempt > 0 || !(foreign || link) || !SetAside(path)) return nullptr;
    }
    return nullptr;
}

}  // namespace platform
