#include "platform/win32/windows_helpers.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace platform::win32 {

std::wstring ExtendedPath(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\?\\", 0) == 0) return path;
    // Folders are created with names up to MAX_PATH - 12 characters (room for an 8.3 name); a
    // longer path needs the form that bypasses the limit.
    DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::vector<wchar_t> full(size);
    size = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (size == 0 || size >= full.size()) return path;
    std::wstring absolute(full.data(), size);
    if (absolute.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + absolute.substr(2);
    return L"\\\\?\\" + absolute;
}

std::wstring ErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : L"error " + std::to_wstring(error);
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

void CloseIfOpen(HANDLE handle) {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
}

namespace {

// A token information block of the process's own token.
std::vector<unsigned char> TokenInformation(TOKEN_INFORMATION_CLASS kind) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<unsigned char> block(size);
    if (size == 0 || !::GetTokenInformation(token, kind, block.data(), size, &size)) block.clear();
    ::CloseHandle(token);
    return block;
}

}  // namespace

bool IsOwnedByProcessUser(HANDLE handle) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                          &descriptor) != ERROR_SUCCESS)
        return false;
    bool owned = false;
    const std::vector<unsigned char> user = TokenInformation(TokenUser);
    const std::vector<unsigned char> defaultOwner = TokenInformation(TokenOwner);
    if (owner && !user.empty() && ::EqualSid(owner, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid))
        owned = true;
    if (owner && !defaultOwner.empty() &&
        ::EqualSid(owner, reinterpret_cast<const TOKEN_OWNER*>(defaultOwner.data())->Owner))
        owned = true;
    ::LocalFree(descriptor);
    return owned;
}

std::wstring ProcessUserSid() {
    const std::vector<unsigned char> user = TokenInformation(TokenUser);
    if (user.empty()) return {};
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid, &text)) return {};
    std::wstring sid = text;
    ::LocalFree(text);
    return sid;
}

}  // namespace platform::win32
