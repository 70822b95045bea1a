#include "platform/file_reader.h"

#include <windows.h>

#include "platform/win32/windows_helpers.h"

namespace platform {
namespace {

using win32::ToHandle;

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
    if (path.empty()) return std::nullopt;
    // No access asked for: a file someone holds without sharing still has an identity.
    HANDLE handle = ::CreateFileW(win32::ExtendedPath(path).c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<FileIdentity> identity = IdentityOfHandle(handle);
    ::CloseHandle(handle);
    return identity;
}

FileReader::~FileReader() {
    if (m_descriptor != kInvalidHandle) ::CloseHandle(ToHandle(m_descriptor));
}

bool FileReader::Open(const std::wstring& path) {
    if (m_descriptor != kInvalidHandle) ::CloseHandle(ToHandle(m_descriptor));
    m_path = path;
    m_descriptor = kInvalidHandle;
    if (path.empty()) return false;
    // Others may go on writing, renaming or removing it: a digest follows a part file that its
    // writer is still appending to.
    HANDLE handle = ::CreateFileW(win32::ExtendedPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    m_descriptor = win32::FromHandle(handle);
    return m_descriptor != kInvalidHandle;
}

bool FileReader::OpenToRun(const std::wstring& path, std::wstring& refusal) {
    if (m_descriptor != kInvalidHandle) ::CloseHandle(ToHandle(m_descriptor));
    m_path = path;
    m_descriptor = kInvalidHandle;
    if (path.empty()) {
        refusal = L"no path";
        return false;
    }
    // Sharing reading alone: while this opening lasts nobody may write, rename or delete the
    // file, so the bytes checked through it are the bytes CreateProcessW maps from its path. The
    // reparse point itself is opened, never what it points at.
    HANDLE handle = ::CreateFileW(win32::ExtendedPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        refusal = win32::ErrorText(::GetLastError());
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) {
        refusal = win32::ErrorText(::GetLastError());
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        refusal = L"a symbolic link";
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || ::GetFileType(handle) != FILE_TYPE_DISK) {
        refusal = L"not a regular file";
    } else {
        m_descriptor = win32::FromHandle(handle);
        return true;
    }
    ::CloseHandle(handle);
    return false;
}

std::optional<FileIdentity> FileReader::Identity() const {
    if (m_descriptor == kInvalidHandle) return std::nullopt;
    return IdentityOfHandle(ToHandle(m_descriptor));
}

std::optional<std::uint64_t> FileReader::Size() const {
    LARGE_INTEGER size{};
    if (m_descriptor == kInvalidHandle || !::GetFileSizeEx(ToHandle(m_descriptor), &size)) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

long long FileReader::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
    if (m_descriptor == kInvalidHandle) return -1;
    // The offset travels with the read, so readers on several threads never move a shared one.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const DWORD wanted = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!::ReadFile(ToHandle(m_descriptor), buffer, wanted, &got, &at)) {
        return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    }
    return got;
}

}  // namespace platform
