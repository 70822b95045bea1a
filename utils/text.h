#pragma once
// Text conversions used throughout the installer.
#include <cstdint>
#include <string>

namespace Utils {

constexpr std::uint32_t kAnsiCodePage = 0;
constexpr std::uint32_t kUtf8CodePage = 65001;

// Empty text when the bytes are not valid in the code page (or the page is unknown).
std::wstring MultiByteToWide(const std::string& text, std::uint32_t codePage);
std::string WideToMultiByte(const std::wstring& text, std::uint32_t codePage);
// Empty text when the input is not valid UTF-8.
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
std::wstring ToWString(std::uint64_t value);

std::wstring TrimLeft(const std::wstring& text);
std::wstring TrimRight(const std::wstring& text);
std::wstring Trim(const std::wstring& text);

// Replaces occurrences one at a time, searching again from the start after each, until none is
// left. A replacement that contains the pattern would never end, so it is refused (text returned
// unchanged); so is an empty pattern.
std::wstring ReplaceAll(const std::wstring& text, const std::wstring& pattern,
                        const std::wstring& replacement);

}  // namespace Utils
