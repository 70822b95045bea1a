#include "skinui/markup/value_parser.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace SkinUI {

namespace {

// Reads up to count integers separated by any non-digit characters other than a sign.
std::vector<int> ParseList(const std::wstring& text, std::size_t count) {
    std::vector<int> values;
    const wchar_t* p = text.c_str();
    while (*p && values.size() < count) {
        while (*p && !(*p == L'-' || *p == L'+' || (*p >= L'0' && *p <= L'9'))) ++p;
        if (!*p) break;
        wchar_t* end = nullptr;
        long long value = std::wcstoll(p, &end, 10);
        if (end == p) {
            ++p;
            continue;
        }
        values.push_back(static_cast<int>(std::clamp<long long>(value, -kMaxLength, kMaxLength)));
        p = end;
    }
    values.resize(count, 0);
    return values;
}

}  // namespace

int ParseInt(const std::wstring& text, int fallback) {
    const wchar_t* p = text.c_str();
    wchar_t* end = nullptr;
    long long value = std::wcstoll(p, &end, 10);
    if (end == p) return fallback;
    if (value > 0x7FFFFFFF) return 0x7FFFFFFF;
    if (value < -0x7FFFFFFF - 1) return -0x7FFFFFFF - 1;
    return static_cast<int>(value);
}

int ParseLength(const std::wstring& text, int fallback) {
    return std::clamp(ParseInt(text, fallback), -kMaxLength, kMaxLength);
}

UiSize ParseSize(const std::wstring& text) {
    std::vector<int> v = ParseList(text, 2);
    return {v[0], v[1]};
}

UiRect ParseRect(const std::wstring& text) {
    std::vector<int> v = ParseList(text, 4);
    return {v[0], v[1], v[2], v[3]};
}

std::optional<Colour> ParseColour(const std::wstring& text) {
    std::wstring digits = text;
    while (!digits.empty() && (digits.front() == L' ' || digits.front() == L'\t')) digits.erase(0, 1);
    if (!digits.empty() && digits.front() == L'#') {
        digits.erase(0, 1);
    } else if (digits.size() > 1 && digits[0] == L'0' && (digits[1] == L'x' || digits[1] == L'X')) {
        digits.erase(0, 2);
    }
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    Colour value = 0;
    for (wchar_t c : digits) {
        int digit = (c >= L'0' && c <= L'9') ? c - L'0'
                    : (c >= L'a' && c <= L'f') ? c - L'a' + 10
                    : (c >= L'A' && c <= L'F') ? c - L'A' + 10
                                               : -1;
        if (digit < 0) return std::nullopt;
        value = (value << 4) | static_cast<Colour>(digit);
    }
    return value;
}

bool ParseBool(const std::wstring& text) { return text == L"true"; }

std::wstring AsciiLower(const std::wstring& text) {
    std::wstring result = text;
    for (wchar_t& c : result) {
        if (c >= L'A' && c <= L'Z') c = c - L'A' + L'a';
    }
    return result;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) { return AsciiLower(a) == AsciiLower(b); }

}  // namespace SkinUI
