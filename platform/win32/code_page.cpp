#include "platform/code_page.h"

#include <windows.h>

namespace platform {
namespace {

// UTF-16 and UTF-32 (1200, 1201, 12000, 12001) are code pages MultiByteToWideChar does not take.
bool IsWideCodePage(std::uint32_t codePage) {
    return codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001;
}

std::optional<std::wstring> DecodeWide(const std::string& bytes, std::uint32_t codePage) {
    const std::size_t unit = codePage >= 12000 ? 4 : 2;
    const bool bigEndian = codePage == 1201 || codePage == 12001;
    if (bytes.size() % unit != 0) return std::nullopt;
    std::wstring text;
    for (std::size_t at = 0; at < bytes.size(); at += unit) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < unit; ++i) {
            const auto byte = static_cast<std::uint8_t>(bytes[at + (bigEndian ? i : unit - 1 - i)]);
            value = (value << 8) | byte;
        }
        if (unit == 4) {
            if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
            if (value >= 0x10000) {
                value -= 0x10000;
                text += static_cast<wchar_t>(0xD800 + (value >> 10));
                text += static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
                continue;
            }
        }
        text += static_cast<wchar_t>(value);
    }
    // UTF-16 must pair its surrogates.
    for (std::size_t at = 0; at < text.size(); ++at) {
        const wchar_t c = text[at];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (at + 1 >= text.size() || text[at + 1] < 0xDC00 || text[at + 1] > 0xDFFF) return std::nullopt;
            ++at;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return std::nullopt;
        }
    }
    return text;
}

std::optional<std::string> EncodeWide(const std::wstring& text, std::uint32_t codePage) {
    const std::size_t unit = codePage >= 12000 ? 4 : 2;
    const bool bigEndian = codePage == 1201 || codePage == 12001;
    std::string bytes;
    auto put = [&](std::uint32_t value) {
        for (std::size_t i = 0; i < unit; ++i) {
            const std::size_t shift = 8 * (bigEndian ? unit - 1 - i : i);
            bytes += static_cast<char>((value >> shift) & 0xFF);
        }
    };
    for (std::size_t at = 0; at < text.size(); ++at) {
        std::uint32_t value = static_cast<std::uint16_t>(text[at]);
        if (value >= 0xDC00 && value <= 0xDFFF) return std::nullopt;
        if (value >= 0xD800 && value <= 0xDBFF) {
            if (at + 1 >= text.size() || text[at + 1] < 0xDC00 || text[at + 1] > 0xDFFF) return std::nullopt;
            const std::uint32_t low = static_cast<std::uint16_t>(text[++at]);
            if (unit == 4) {
                value = 0x10000 + ((value - 0xD800) << 10) + (low - 0xDC00);
            } else {
                put(value);
                value = low;
            }
        }
        put(value);
    }
    return bytes;
}

}  // namespace

// 0 is CP_ACP, the system's ANSI code page, and every other number is the system's own.
std::optional<std::wstring> DecodeCodePage(const std::string& bytes, std::uint32_t codePage) {
    if (IsWideCodePage(codePage)) return DecodeWide(bytes, codePage);
    if (bytes.empty()) {
        // An unknown code page is refused even for no bytes, as on Linux.
        if (codePage != kAnsiCodePage && !::IsValidCodePage(codePage)) return std::nullopt;
        return std::wstring();
    }
    if (bytes.size() > 0x7FFFFFFF) return std::nullopt;
    const int length = static_cast<int>(bytes.size());
    // Invalid bytes fail the conversion instead of becoming replacement characters; code pages
    // that do not know the flag (50220 and the like) convert without it.
    DWORD flags = MB_ERR_INVALID_CHARS;
    int needed = ::MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
    if (needed == 0 && ::GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0;
        needed = ::MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
    }
    if (needed <= 0) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(needed), L'\0');
    if (::MultiByteToWideChar(codePage, flags, bytes.data(), length, text.data(), needed) != needed) return std::nullopt;
    return text;
}

std::optional<std::string> EncodeCodePage(const std::wstring& text, std::uint32_t codePage) {
    if (IsWideCodePage(codePage)) return EncodeWide(text, codePage);
    if (text.empty()) {
        if (codePage != kAnsiCodePage && !::IsValidCodePage(codePage)) return std::nullopt;
        return std::string();
    }
    if (text.size() > 0x7FFFFFFF) return std::nullopt;
    const int length = static_cast<int>(text.size());
    // A character the code page lacks fails the conversion rather than becoming "?" (UTF-8 and
    // UTF-7 take no default character; invalid UTF-16 fails there instead).
    const bool unicode = codePage == CP_UTF8 || codePage == CP_UTF7;
    const DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : 0;
    BOOL usedDefault = FALSE;
    BOOL* defaultFlag = unicode ? nullptr : &usedDefault;
    const int needed = ::WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, defaultFlag);
    if (needed <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    if (::WideCharToMultiByte(codePage, flags, text.data(), length, bytes.data(), needed, nullptr, defaultFlag) != needed ||
        usedDefault)
        return std::nullopt;
    return bytes;
}

}  // namespace platform
