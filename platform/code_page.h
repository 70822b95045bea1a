#pragma once
// Code-page conversion. 0 is the system's ANSI code page (on Linux the locale's codeset),
// 65001 is UTF-8, any other number n is the encoding "CPn".
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

constexpr std::uint32_t kAnsiCodePage = 0;
constexpr std::uint32_t kUtf8CodePage = 65001;

// Empty optional when the code page is unknown or the text is not valid in it.
std::optional<std::wstring> DecodeCodePage(const std::string& bytes, std::uint32_t codePage);
std::optional<std::string> EncodeCodePage(const std::wstring& text, std::uint32_t codePage);

}  // namespace platform
