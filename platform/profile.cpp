#include "platform/profile.h"

#include <cwctype>
#include <optional>
#include <vector>

#include "platform/file_system.h"
#include "platform/utf8.h"

namespace platform {
namespace {

std::wstring Trimmed(const std::wstring& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::iswspace(static_cast<wint_t>(text[begin]))) ++begin;
    while (end > begin && std::iswspace(static_cast<wint_t>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i])))
            return false;
    return true;
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L'\n', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(std::move(line));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::wstring> SectionName(const std::wstring& line) {
    std::wstring trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed.front() != L'[') return std::nullopt;
    std::size_t close = trimmed.find(L']');
    return Trimmed(trimmed.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
}

// Splits "key = value" into its trimmed halves; false for lines without "=".
bool KeyAndValue(const std::wstring& line, std::wstring& key, std::wstring& value) {
    std::size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) return false;
    key = Trimmed(line.substr(0, equals));
    value = Trimmed(line.substr(equals + 1));
    return true;
}

std::wstring Unquoted(const std::wstring& value) {
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::wstring CutToBuffer(const std::wstring& value, std::size_t bufferChars) {
    if (bufferChars == 0) return {};
    return value.size() < bufferChars ? value : value.substr(0, bufferChars - 1);
}

std::wstring DecodeUtf16Le(const std::string& bytes, std::size_t start) {
    std::wstring out;
    for (std::size_t i = start; i + 1 < bytes.size(); i += 2) {
        char32_t unit = static_cast<std::uint8_t>(bytes[i]) | (static_cast<std::uint8_t>(bytes[i + 1]) << 8);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            char32_t low = static_cast<std::uint8_t>(bytes[i + 2]) | (static_cast<std::uint8_t>(bytes[i + 3]) << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        out += static_cast<wchar_t>((unit >= 0xD800 && unit <= 0xDFFF) ? 0xFFFD : unit);
    }
    return out;
}

}  // namespace

std::wstring DecodeProfileBytes(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == 0xFF &&
        static_cast<std::uint8_t>(bytes[1]) == 0xFE)
        return DecodeUtf16Le(bytes, 2);
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return Utf8ToWideLossy(bytes.substr(3));
    return Utf8ToWideLossy(bytes);
}

std::wstring GetProfileStringFromText(const std::wstring& text, const std::wstring& section,
                                      const std::wstring& key, const std::wstring& defaultValue,
                                      std::size_t bufferChars) {
    bool inSection = false;
    bool sectionSeen = false;
    for (const std::wstring& line : SplitLines(text)) {
        if (auto name = SectionName(line)) {
            // Only the first section of a name counts; a later duplicate is not searched.
            if (inSection) break;
            inSection = !sectionSeen && SameName(*name, section);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        std::wstring lineKey, value;
        if (inSection && KeyAndValue(line, lineKey, value) && SameName(lineKey, key))
            return CutToBuffer(Unquoted(value), bufferChars);
    }
    std::wstring fallback = defaultValue;
    while (!fallback.empty() && fallback.back() == L' ') fallback.pop_back();
    return CutToBuffer(fallback, bufferChars);
}

std::wstring GetProfileString(const std::wstring& section, const std::wstring& key,
                              const std::wstring& defaultValue, std::size_t bufferChars,
                              const std::wstring& path) {
    auto bytes = ReadWholeFile(path);
    return GetProfileStringFromText(bytes ? DecodeProfileBytes(*bytes) : std::wstring(), section,
                                    key, defaultValue, bufferChars);
}

bool WriteProfileString(const std::wstring& section, const std::wstring& key,
                        const std::wstring& value, const std::wstring& path, std::string* refusal) {
    if (section.empty() || key.empty()) return false;
    // A line break would start a line of its own (another key, another section), and "=" in a
    // key or "]" in a section would be read back as something else: such writes are refused.
    if (section.find_first_of(L"\r\n]") != std::wstring::npos ||
        key.find_first_of(L"\r\n=[") != std::wstring::npos ||
        value.find_first_of(L"\r\n") != std::wstring::npos)
        return false;
    // The lines kept come only from the file's own regular file: another account's file, or a
    // link to something else, is replaced without a line of it being copied.
    std::string original, why;
    if (ReadOwnFile(path, original, why) == OwnFileContent::kRefused && refusal)
        *refusal = "earlier content left out: " + why;
    bool byteOrderMark = original.compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::wstring lineEnd = original.find("\r\n") != std::string::npos ? L"\r\n" : L"\n";
    std::vector<std::wstring> lines = SplitLines(DecodeProfileBytes(original));

    const std::wstring entry = key + L"=" + value;
    std::optional<std::size_t> sectionStart, insertAt;
    bool written = false;
    for (std::size_t i = 0; i < lines.size() && !written; ++i) {
        if (auto name = SectionName(lines[i])) {
            if (sectionStart) break;
            if (SameName(*name, section)) sectionStart = insertAt = i + 1;
            continue;
        }
        if (!sectionStart) continue;
        std::wstring lineKey, lineValue;
        if (KeyAndValue(lines[i], lineKey, lineValue) && SameName(lineKey, key)) {
            lines[i] = entry;
            written = true;
        } else if (!Trimmed(lines[i]).empty()) {
            insertAt = i + 1;
        }
    }
    if (!written) {
        if (insertAt) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insertAt), entry);
        } else {
            lines.push_back(L"[" + section + L"]");
            lines.push_back(entry);
        }
    }
    std::wstring text;
    for (const auto& line : lines) text += line + lineEnd;
    return WriteFileAtomically(path, (byteOrderMark ? "\xEF\xBB\xBF" : "") + WideToUtf8(text));
}

}  // namespace platform
