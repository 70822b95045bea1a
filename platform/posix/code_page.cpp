#include "platform/code_page.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <vector>

#include "platform/utf8.h"

namespace platform {
namespace {

std::string EncodingName(std::uint32_t codePage) {
    if (codePage == kUtf8CodePage) return "UTF-8";
    if (codePage == kAnsiCodePage) {
        const char* codeset = ::nl_langinfo(CODESET);
        return codeset && *codeset ? codeset : "UTF-8";
    }
    // Windows numbers whose encodings iconv knows by another name.
    switch (codePage) {
        case 1200: return "UTF-16LE";
        case 1201: return "UTF-16BE";
        case 12000: return "UTF-32LE";
        case 12001: return "UTF-32BE";
        case 20127: return "ASCII";
        case 20936: return "GB2312";
        case 51932: return "EUC-JP";
        case 51949: return "EUC-KR";
        case 54936: return "GB18030";
        default: break;
    }
    if (codePage >= 28591 && codePage <= 28606) return "ISO-8859-" + std::to_string(codePage - 28590);
    return "CP" + std::to_string(codePage);
}

// Converts all input or fails; no partial results.
std::optional<std::string> Convert(const std::string& input, const std::string& from,
                                   const std::string& to) {
    iconv_t descriptor = ::iconv_open(to.c_str(), from.c_str());
    if (descriptor == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string output;
    std::vector<char> chunk(4096);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    bool ok = true;
    while (true) {
        char* out = chunk.data();
        std::size_t outLeft = chunk.size();
        std::size_t result = inLeft ? ::iconv(descriptor, &in, &inLeft, &out, &outLeft)
                                    : ::iconv(descriptor, nullptr, nullptr, &out, &outLeft);
        output.append(chunk.data(), chunk.size() - outLeft);
        if (result != static_cast<std::size_t>(-1)) {
            if (inLeft == 0) {
                // Flush any shift state, then stop.
                out = chunk.data();
                outLeft = chunk.size();
                ::iconv(descriptor, nullptr, nullptr, &out, &outLeft);
                output.append(chunk.data(), chunk.size() - outLeft);
                break;
            }
            continue;
        }
        if (errno == E2BIG) continue;
        ok = false;  // EILSEQ or EINVAL: invalid or truncated input
        break;
    }
    ::iconv_close(descriptor);
    if (!ok) return std::nullopt;
    return output;
}

}  // namespace

std::optional<std::wstring> DecodeCodePage(const std::string& bytes, std::uint32_t codePage) {
    std::string encoding = EncodingName(codePage);
    if (encoding == "UTF-8") return Utf8ToWideStrict(bytes);
    auto utf8 = Convert(bytes, encoding, "UTF-8");
    if (!utf8) return std::nullopt;
    return Utf8ToWideStrict(*utf8);
}

std::optional<std::string> EncodeCodePage(const std::wstring& text, std::uint32_t codePage) {
    std::string encoding = EncodingName(codePage);
    std::string utf8 = WideToUtf8(text);
    if (encoding == "UTF-8") return utf8;
    return Convert(utf8, "UTF-8", encoding);
}

}  // namespace platform
