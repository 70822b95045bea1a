#include "install/output_reader.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

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

}  // namespace

bool MatchKey(const std::wstring& line, const wchar_t* key, std::wstring& value) {
    const std::wstring_view keyView(key);
    if (line.compare(0, keyView.size(), keyView) != 0) return false;
    value = line.substr(keyView.size());
    return true;
}

double NumberValue(const std::wstring& value) {
    std::string text = AsciiPrefix(value, SkipBlanks(value));
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') ++begin;
    double number = 0;
    auto [stop, error] = std::from_chars(begin, end, number);
    if (error != std::errc() || stop == begin || !std::isfinite(number)) return 0;
    return number;
}

std::int32_t IntegerValue(const std::wstring& value) {
    std::string text = AsciiPrefix(value, SkipBlanks(value));
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') ++begin;
    std::int64_t number = 0;
    auto [stop, error] = std::from_chars(begin, end, number);
    if (error != std::errc() || stop == begin) return 0;
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
        const char byte = bytes[at];
        if (byte == '\n') {
            if (int lineResult = ParseLine()) result = lineResult;
            continue;
        }
        if (m_dropping) continue;
        if (byte == '\0') {
            m_dropping = true;
        } else if (m_line.size() >= kMaxLineBytes) {
            m_dropping = true;
            m_cut = true;
        } else {
            m_line.push_back(byte);
        }
    }
    return result;
}

int Reader::Finish() {
    if (m_line.empty() && !m_dropping) return kNoResult;
    return ParseLine();
}

void Reader::Reset() {
    m_line.clear();
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
    return m_parser(text ? *text : DecodeLine(bytes, codePage));
}

}  // namespace PackageOutput
