#include "utils/text.h"

#include <cwctype>

#include "platform/code_page.h"
#include "platform/utf8.h"

namespace Utils {

std::wstring MultiByteToWide(const std::string& text, std::uint32_t codePage) {
    return platform::DecodeCodePage(text, codePage).value_or(std::wstring());
}

std::string WideToMultiByte(const std::wstring& text, std::uint32_t codePage) {
    return platform::EncodeCodePage(text, codePage).value_or(std::string());
}

std::wstring Utf8ToWide(const std::string& text) {
    return platform::Utf8ToWideStrict(text).value_or(std::wstring());
}

std::string WideToUtf8(const std::wstring& text) { return platform::WideToUtf8(text); }

std::wstring ToWString(std::uint64_t value) { return std::to_wstring(value); }

std::wstring TrimLeft(const std::wstring& text) {
    std::size_t begin = 0;
    while (begin < text.size() && std::iswspace(static_cast<wint_t>(text[begin]))) ++begin;
    return text.substr(begin);
}

std::wstring TrimRight(const std::wstring& text) {
    std::size_t end = text.size();
    while (end > 0 && std::iswspace(static_cast<wint_t>(text[end - 1]))) --end;
    return text.substr(0, end);
}

std::wstring Trim(const std::wstring& text) { return TrimLeft(TrimRight(text)); }

std::wstring ReplaceAll(const std::wstring& text, const std::wstring& pattern,
                        const std::wstring& replacement) {
    if (pattern.empty() || replacement.find(pattern) != std::wstring::npos) return text;
    std::wstring result = text;
    for (std::size_t at = result.find(pattern); at != std::wstring::npos; at = result.find(pattern))
        result.replace(at, pattern.size(), replacement);
    return result;
}

}  // namespace Utils
