#include "download/http_headers.h"

#include <cctype>
#include <cwctype>
#include <limits>

namespace http_headers {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool SameName(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
    return true;
}

std::wstring_view TrimBlanks(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

template <class Char>
std::optional<std::uint64_t> ParseDigits(std::basic_string_view<Char> digits) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (Char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

std::vector<std::wstring> Values(std::wstring_view headers, std::wstring_view name, std::size_t limit,
                                 std::size_t most) {
    std::vector<std::wstring> values;
    // The first line is the status line.
    std::size_t at = headers.find(L'\n');
    while (at != std::wstring_view::npos && values.size() < most) {
        const std::size_t start = at + 1;
        at = headers.find(L'\n', start);
        std::wstring_view line = headers.substr(start, at == std::wstring_view::npos ? std::wstring_view::npos : at - start);
        if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
        const std::size_t colon = line.find(L':');
        if (colon == std::wstring_view::npos || !SameName(line.substr(0, colon), name)) continue;
        values.emplace_back(TrimBlanks(line.substr(colon + 1)).substr(0, limit));
    }
    return values;
}

std::optional<std::wstring> FirstValue(std::wstring_view headers, std::wstring_view name, std::size_t limit) {
    std::vector<std::wstring> values = Values(headers, name, limit, 1);
    if (values.empty()) return std::nullopt;
    return std::move(values.front());
}

std::wstring CharsetOf(std::wstring_view headers) {
    constexpr std::wstring_view kKey = L"charset=";
    constexpr std::size_t kLongest = 64;
    for (const std::wstring& type : Values(headers, L"Content-Type", 1024)) {
        for (std::size_t at = 0; at + kKey.size() <= type.size(); ++at) {
            if (!SameName(std::wstring_view(type).substr(at, kKey.size()), kKey)) continue;
            std::wstring charset;
            for (std::size_t i = at + kKey.size(); i < type.size() && charset.size() < kLongest; ++i) {
                const wchar_t c = type[i];
                const bool allowed = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
                                     c == L'-' || c == L'_';
                if (!allowed) break;
                charset += c;
            }
            if (!charset.empty()) return charset;
        }
    }
    return {};
}

std::optional<std::uint64_t> ParseLength(std::wstring_view value) { return ParseDigits(TrimBlanks(value)); }

std::optional<ContentRange> ParseContentRange(std::string_view value) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    constexpr std::string_view kUnit = "bytes ";
    if (value.size() < kUnit.size()) return std::nullopt;
    for (std::size_t i = 0; i < kUnit.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(value[i])) != kUnit[i]) return std::nullopt;
    value.remove_prefix(kUnit.size());
    const std::size_t dash = value.find('-');
    const std::size_t slash = value.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) return std::nullopt;
    const auto first = ParseDigits(value.substr(0, dash));
    const auto last = ParseDigits(value.substr(dash + 1, slash - dash - 1));
    if (!first || !last || *last < *first) return std::nullopt;
    ContentRange range{*first, *last, std::nullopt};
    const std::string_view length = value.substr(slash + 1);
    if (length != "*") {
        range.length = ParseDigits(length);
        if (!range.length || *range.length <= *last) return std::nullopt;
    }
    return range;
}

}  // namespace http_headers
