#pragma once
// Private-profile (INI) files with the rules of the Windows profile functions: section and key
// names compared without regard to case, values trimmed and unquoted, the first occurrence of a
// section or key wins, results cut to the caller's buffer size. Files are UTF-8 (a byte-order
// mark is skipped) or UTF-16LE with its byte-order mark.
#include <cstddef>
#include <string>

namespace platform {

// The value, at most bufferChars - 1 characters long; the default when the file, the section or
// the key is missing.
std::wstring GetProfileString(const std::wstring& section, const std::wstring& key,
                              const std::wstring& defaultValue, std::size_t bufferChars,
                              const std::wstring& path);

// Same lookup on text already in memory; the parsing half of GetProfileString.
std::wstring GetProfileStringFromText(const std::wstring& text, const std::wstring& section,
                                      const std::wstring& key, const std::wstring& defaultValue,
                                      std::size_t bufferChars);

// Decodes a profile file's bytes: UTF-16LE after its byte-order mark, otherwise UTF-8 with an
// optional byte-order mark; undecodable bytes become U+FFFD.
std::wstring DecodeProfileBytes(const std::string& bytes);

// Sets one value, keeping every other line; the file is replaced atomically. False on failure,
// and for a value with a line break, a key with "=", "[" or a line break, or a section with "]"
// or a line break (they could inject lines). The lines kept are read only from a regular file,
// through no link, owned by the user whose rights the thread uses; anything else there is
// replaced by a file of the new value alone, and `refusal` says why.
bool WriteProfileString(const std::wstring& section, const std::wstring& key,
                        const std::wstring& value, const std::wstring& path,
                        std::string* refusal = nullptr);

}  // namespace platform
