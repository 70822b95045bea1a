#pragma once
// The current user's registry (HKEY_CURRENT_USER): text values under a key path such as
// "Software\VemarSoft\kelvoKids". Windows' own registry there; on Linux the per-user key store
// (platform/key_store.h) stands in.
#include <string>

namespace platform {

// False (value unchanged) when the key or the value is missing or is no text.
bool ReadUserRegistryString(const std::wstring& key, const std::wstring& name, std::wstring& value);
// Creates the key as needed and writes the value as text (REG_SZ, stored without its terminating
// zero). False when it cannot; `refusal` says why when the earlier values could not be kept.
bool WriteUserRegistryString(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                             std::string* refusal = nullptr);
// Removes the key with its values (tests start from no record). True when it is gone.
bool DeleteUserRegistryKey(const std::wstring& key);

}  // namespace platform
