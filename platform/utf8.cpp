#include "platform/utf8.h"

#include <cstdint>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one sequence at bytes[index]; advances index. Returns false for an invalid sequence
// (index then points past the first byte).
bool DecodeOne(const std::string& bytes, std::size_t& index, char32_t& out) {
    auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    std::uint8_t lead = byte(index);
    std::size_t length;
    char32_t value;
    char32_t minimum;
    if (lead < 0x80) {
        out = lead;
        ++index;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++index;
        return false;
    }
    if (index + length > bytes.size()) {
        ++index;
        return false;
    }
    for (std::size_t i = 1; i < length; ++i) {
        std::uint8_t next = byte(index + i);
        if ((next & 0xC0) != 0x80) {
            ++index;
            return false;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++index;
        return false;
    }
    index += length;
    out = value;
    return true;
}

}  // namespace

std::string WideToUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t wide : text) {
        auto c = static_cast<std::uint32_t>(wide);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::optional<std::wstring> Utf8ToWideStrict(const std::string& bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (std::size_t index = 0; index < bytes.size();) {
        char32_t c;
        if (!DecodeOne(bytes, index, c)) return std::nullopt;
        out += static_cast<wchar_t>(c);
    }
    return out;
}

std::wstring Utf8ToWideLossy(const std::string& bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (std::size_t index = 0; index < bytes.size();) {
        char32_t c;
        out += static_cast<wchar_t>(DecodeOne(bytes, index, c) ? c : kReplacement);
    }
    return out;
}

}  // namespace platform
