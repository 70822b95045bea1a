#pragma once
// The installer's registry values under HKEY_CURRENT_USER\Software\VemarSoft\kelvoKids
// (platform/registry.h: the registry itself on Windows, the per-user key store on Linux).
#include <cstdint>
#include <string>

namespace Utils {

constexpr const wchar_t* kProductRegistryKey = L"Software\\VemarSoft\\kelvoKids";
constexpr std::uint32_t kRegistryString = 1;  // REG_SZ

// False (text unchanged) when the key or the value is missing. The type is always kRegistryString.
bool RegReadString(const std::wstring& valueName, std::uint32_t& type, std::wstring& text);
// False when the key cannot be created or the value not written.
bool RegWriteString(const std::wstring& valueName, const std::wstring& text);

}  // namespace Utils
