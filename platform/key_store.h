#pragma once
// The per-user key store that stands in for HKEY_CURRENT_USER: one UTF-8 file,
// <UserConfig>/VemarSoft/keys.reg, holding named text values under key paths such as
// "Software\VemarSoft\kelvoKids":
//
//   [Software\VemarSoft\kelvoKids]
//   "InstallPath"="/home/ann/.local/opt/kelvoKids"
//
// Names and values are quoted; inside the quotes \\ \" \n \r \t stand for themselves and any
// other control character is written \u{hex}, so every text comes back exactly as it was
// written (blanks, quotes, "=", line breaks, CJK). An escape of a code that is no character (a
// surrogate, past U+10FFFF) makes its line unreadable. The file is replaced atomically on each
// write.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct KeyStoreKey {
    std::wstring path;
    std::vector<std::pair<std::wstring, std::wstring>> values;  // in the order written
};
using KeyStoreContent = std::vector<KeyStoreKey>;

std::string FormatKeyStore(const KeyStoreContent& content);
// Lines that are not a key, a value or a comment are skipped.
KeyStoreContent ParseKeyStore(const std::string& text);

// The store's file; empty text when there is no config folder.
std::wstring KeyStorePath();

// False (value unchanged) when the store, the key or the value is missing.
bool ReadKeyValue(const std::wstring& key, const std::wstring& name, std::wstring& value);
// Creates the store, its folder and the key as needed; false when it cannot be written, the key
// path holds a line break or "]", or a text holds what UTF-8 cannot (a lone surrogate). Through
// sudo the store is read and written with the invoking user's rights. When the file there is not
// the user's own regular file its earlier values are left out, and `refusal` says why.
bool WriteKeyValue(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                   std::string* refusal = nullptr);

}  // namespace platform
