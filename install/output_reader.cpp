#include "install/output_reader.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

#include "platform/code_page.h"

namespace PackageOutput {
namespace {

std::size_t SkipBlanks(const std::wstring& value) {
    std::size_t at = 0;
    while (at < value.size() && (value[at] == L' ' || (value[at] >= L'\t' && value[at] <= L'\r')))
        ++at;
    return at;
}

// The numeric prefix as ASCII; anything else ends it.
std::string AsciiPrefix(const std::wstring& value, std::size_t from) {
    std::string text;
    for (std::size_t at = from; at < value.size() && value[at] > 0 && value[at] < 0x80; ++at)
        text.push_back(static_cast<char>(value[at]));
    return text;
}

// The number's text after one optional sign, which tells whether it is negative; a second sign
// leaves no number.
std::string_view Unsigned(const std::string& text, bool& negative) {
    std::string_view digits(text);
    negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) return {};
    return digits;
}

struct CodeUnit {
    std::size_t bytes;
    bool bigEndian;
};

CodeUnit UnitOf(std::uint32_t codePage) {
    switch (codePage) {
        case 1200: return {2, false};
        case 1201: return {2, true};
        case 12000: return {4, false};
        case 12001: return {4, true};
        default: return {1, false};
    }
}

}  // namespace

bool MatchKey(const std::wstring& line, const wchar_t* key, std::wstring& value) {
    const std::wstring_view keyView(key);
    if (line.compare(0, keyView.size(), keyView) != 0) return false;
    value = line.substr(keyView.size());
    return true;
}

double NumberValue(const std::wstring& value) {
    const std::string text = AsciiPrefix(value, SkipBlanks(value));
    bool negative = false;
    const std::string_view digits = Unsigned(text, negative);
    double number = 0;
    auto [stop, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || stop == digits.data() || !std::isfinite(number)) return 0;
    return negative ? -number : number;
}

std::int32_t IntegerValue(const std::wstring& value) {
    const std::string text = AsciiPrefix(value, SkipBlanks(value));
    bool negative = false;
    const std::string_view digits = Unsigned(text, negative);
    std::int64_t number = 0;
    auto [stop, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || stop == digits.data()) return 0;
    if (negative) number = -number;
    if (number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(number);
}

std::wstring TextValue(const std::wstring& value) { return value.substr(0, kMaxTextChars); }

std::wstring DecodeLine(const std::string& bytes, std::uint32_t codePage) {
    if (auto text = platform::DecodeCodePage(bytes, codePage)) return *text;
    std::wstring text;
    text.reserve(bytes.size());
    for (unsigned char byte : bytes) text.push_back(byte < 0x80 ? wchar_t(byte) : L'\uFFFD');
    return text;
}

Reader::Reader(LineParser parser) : m_parser(std::move(parser)) {}

int Reader::Feed(const char* bytes, std::size_t size) {
    int result = kNoResult;
    for (std::size_t at = 0; at < size; ++at) {
        m_unit[m_unitSize++] = bytes[at];
        // The unit is that of the code page in force: an "Encode=" line changes it for the bytes
        // after its line feed, when no unit is pending.
        const CodeUnit unit = UnitOf(codePage);
        if (m_unitSize < unit.bytes) continue;
        const std::size_t lowByte = unit.bigEndian ? unit.bytes - 1 : 0;
        bool zero = true;
        bool lineFeed = m_unit[lowByte] == '\n';
        for (std::size_t i = 0; i < unit.bytes; ++i) {
            if (m_unit[i] != '\0') zero = false;
            if (i != lowByte && m_unit[i] != '\0') lineFeed = false;
        }
        m_unitSize = 0;
        if (lineFeed) {
            const int lineResult = ParseLine();
            if (result == kNoResult) result = lineResult;
            continue;
        }
        if (m_dropping) continue;
        if (zero) {
            m_dropping = true;
        } else if (m_line.size() + unit.bytes > kMaxLineBytes) {
            m_dropping = true;
            m_cut = true;
        } else {
            m_line.append(m_unit, unit.bytes);
        }
    }
    return result;
}

int Reader::Finish() {
    m_unitSize = 0;  // half a character at the very end is no character
    if (m_line.empty() && !m_dropping) return kNoResult;
    return ParseLine();
}

void Reader::Reset() {
    m_line.clear();
    m_unitSize = 0;
    m_dropping = false;
    m_cut = false;
}

int Reader::ParseLine() {
    std::string bytes;
    bytes.swap(m_line);
    const bool cut = m_cut;
    Reset();
    std::optional<std::wstring> text = platform::DecodeCodePage(bytes, codePage);
    // A line cut at the length limit may end inside a character.
    for (int dropped = 0; cut && !text && dropped < 4 && !bytes.empty(); ++dropped) {
        bytes.pop_back();
        text = platform::DecodeCodePage(bytes, codePage);
    }
    const bool clean = text.has_value();
    std::wstring line = clean ? std::move(*text) : DecodeLine(bytes, codePage);
    // A byte-order mark written before the first line belongs to no key.
    if (!line.empty() && line.front() == L'\uFEFF') line.erase(0, 1);
    return m_parser(line, clean);
}

}  // namespace PackageOutput
