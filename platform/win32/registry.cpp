#include "platform/registry.h"

#include <windows.h>

#include <vector>

namespace platform {

bool ReadUserRegistryString(const std::wstring& key, const std::wstring& name, std::wstring& value) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD bytes = 0;
    bool read = false;
    if (::RegQueryValueExW(opened, name.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        // The stored text need not end with a zero: one more character, zero-filled, ends it.
        std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = bytes;
        if (::RegQueryValueExW(opened, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) ==
                ERROR_SUCCESS &&
            size <= bytes) {
            std::size_t length = size / sizeof(wchar_t);
            while (length > 0 && text[length - 1] == L'\0') --length;
            value.assign(text.data(), length);
            read = true;
        }
    }
    ::RegCloseKey(opened);
    return read;
}

bool WriteUserRegistryString(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                             std::string*) {
    HKEY opened = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                          &opened, nullptr) != ERROR_SUCCESS)
        return false;
    // Twice the character count: the terminating zero is not part of the stored text.
    const DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    const bool written = ::RegSetValueExW(opened, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data()),
                                          bytes) == ERROR_SUCCESS;
    ::RegCloseKey(opened);
    return written;
}

bool DeleteUserRegistryKey(const std::wstring& key) {
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    if (status == ERROR_FILE_NOT_FOUND) return true;
    return status == ERROR_SUCCESS && ::RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str()) != ERROR_ACCESS_DENIED;
}

}  // namespace platform
