// The Windows wide printf rules on the C library's wide printf: each conversion is translated
// and formatted on its own, and narrow text is converted here, so that text the locale cannot
// read costs its own characters only, never the whole line.
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/utf8.h"
#include "utils/debug_log.h"

namespace Utils {
namespace {

// Formats one value with a library format holding one conversion; the buffer grows until the
// C library, which cannot count a wide result in advance, has room.
template <typename Value>
void AppendOne(std::wstring& out, const std::wstring& format, std::size_t expected, Value value) {
    for (std::size_t size = expected + 64;; size *= 2) {
        std::vector<wchar_t> buffer(size);
        const int written = std::swprintf(buffer.data(), size, format.c_str(), value);
        if (written >= 0) {
            out.append(buffer.data(), static_cast<std::size_t>(written));
            return;
        }
        if (size > (std::size_t{1} << 28)) throw std::bad_alloc();
    }
}

// A narrow argument in the locale's code set, else as UTF-8.
std::wstring WidenNarrow(const char* text) {
    std::mbstate_t state{};
    const char* source = text;
    const std::size_t length = std::mbsrtowcs(nullptr, &source, 0, &state);
    if (length == static_cast<std::size_t>(-1)) return platform::Utf8ToWideLossy(text);
    std::wstring wide(length, L'\0');
    state = std::mbstate_t{};
    source = text;
    std::mbsrtowcs(wide.data(), &source, length, &state);
    return wide;
}

wint_t WidenNarrowCharacter(int character) {
    const wint_t wide = std::btowc(character);
    if (wide != WEOF) return wide;
    const std::wstring lossy = platform::Utf8ToWideLossy(std::string(1, static_cast<char>(character)));
    return lossy.empty() ? L'\uFFFD' : static_cast<wint_t>(lossy[0]);
}

// One conversion, given in the library's form: its length modifier and conversion character
// say which argument to take.
void AppendConversion(std::wstring& out, std::wstring format, va_list& arguments) {
    const wchar_t conversion = format.back();
    std::size_t lengthStart = format.size() - 1;
    while (lengthStart > 1 && std::wcschr(L"hlLjzt", format[lengthStart - 1])) --lengthStart;
    const std::wstring length = format.substr(lengthStart, format.size() - 1 - lengthStart);
    switch (conversion) {
        case L's': {
            std::wstring text;
            if (length == L"l") {
                const wchar_t* wide = va_arg(arguments, const wchar_t*);
                text = wide ? wide : L"(null)";
            } else {
                const char* narrow = va_arg(arguments, const char*);
                text = narrow ? WidenNarrow(narrow) : L"(null)";
                format.insert(format.size() - 1, L"l");
            }
            AppendOne(out, format, text.size(), text.c_str());
            return;
        }
        case L'c': {
            wint_t character = 0;
            if (length == L"l") {
                // A 16-bit wint_t (Windows) arrives promoted to int.
                using Passed = std::conditional_t<(sizeof(wint_t) < sizeof(int)), int, wint_t>;
                character = static_cast<wint_t>(va_arg(arguments, Passed));
            } else {
                character = WidenNarrowCharacter(va_arg(arguments, int));
                format.insert(format.size() - 1, L"l");
            }
            AppendOne(out, format, 1, character);
            return;
        }
        case L'd': case L'i': case L'o': case L'u': case L'x': case L'X':
            if (length == L"ll") AppendOne(out, format, 0, va_arg(arguments, long long));
            else if (length == L"l") AppendOne(out, format, 0, va_arg(arguments, long));
            else if (length == L"j") AppendOne(out, format, 0, va_arg(arguments, std::intmax_t));
            else if (length == L"z") AppendOne(out, format, 0, va_arg(arguments, std::size_t));
            else if (length == L"t") AppendOne(out, format, 0, va_arg(arguments, std::ptrdiff_t));
            else AppendOne(out, format, 0, va_arg(arguments, int));
            return;
        case L'e': case L'E': case L'f': case L'F': case L'g': case L'G': case L'a': case L'A':
            if (length == L"L") AppendOne(out, format, 0, va_arg(arguments, long double));
            else AppendOne(out, format, 0, va_arg(arguments, double));
            return;
        case L'p':
            AppendOne(out, format, 0, va_arg(arguments, void*));
            return;
        case L'n':
            // Writing through an argument pointer is no business of a log line.
            va_arg(arguments, void*);
            return;
        default:
            out += format;
            return;
    }
}

}  // namespace

std::wstring ToLibraryWideFormat(const wchar_t* format) {
    std::wstring out;
    for (const wchar_t* p = format; *p;) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        out += *p++;
        if (*p == L'%') {
            out += *p++;
            continue;
        }
        // Flags, width and precision pass unchanged.
        while (*p && std::wcschr(L"-+ #0123456789.*", *p)) out += *p++;
        std::wstring length;
        if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
            length = L"ll";
            p += 3;
        } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
            p += 3;
        } else if (p[0] == L'I') {
            length = L"z";
            p += 1;
        } else {
            while (*p && std::wcschr(L"hlLwjzt", *p)) length += *p++;
        }
        wchar_t conversion = *p;
        if (!conversion) break;
        ++p;
        if (conversion == L's' || conversion == L'c') {
            // Unmarked and "l"/"w" mean wide in a wide format; "h" means narrow.
            out += (length == L"h") ? L"" : L"l";
            out += conversion;
        } else if (conversion == L'S' || conversion == L'C') {
            out += (length == L"l" || length == L"w") ? L"l" : L"";
            out += static_cast<wchar_t>(conversion == L'S' ? L's' : L'c');
        } else {
            out += (length == L"w") ? L"l" : length;
            out += conversion;
        }
    }
    return out;
}

std::wstring FormatWide(const wchar_t* format, va_list arguments) {
    va_list remaining;
    va_copy(remaining, arguments);
    std::wstring out;
    for (const wchar_t* p = format; *p;) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        if (p[1] == L'%') {
            out += L'%';
            p += 2;
            continue;
        }
        const wchar_t* const start = p++;
        // Flags, then width and precision, where a star takes its number from the arguments.
        std::wstring spec = L"%";
        while (*p && std::wcschr(L"-+ #0", *p)) spec += *p++;
        if (*p == L'*') {
            ++p;
            const int width = va_arg(remaining, int);
            spec += (width < 0 ? L"-" : L"") + std::to_wstring(width < 0 ? -static_cast<long>(width) : width);
        } else {
            while (std::iswdigit(static_cast<wint_t>(*p))) spec += *p++;
        }
        if (*p == L'.') {
            ++p;
            if (*p == L'*') {
                ++p;
                const int precision = va_arg(remaining, int);
                if (precision >= 0) spec += L"." + std::to_wstring(precision);
            } else {
                spec += L'.';
                while (std::iswdigit(static_cast<wint_t>(*p))) spec += *p++;
            }
        }
        const wchar_t* const lengthStart = p;
        if (p[0] == L'I' && ((p[1] == L'6' && p[2] == L'4') || (p[1] == L'3' && p[2] == L'2')))
            p += 3;
        else if (p[0] == L'I')
            p += 1;
        else
            while (*p && std::wcschr(L"hlLwjzt", *p)) ++p;
        if (!*p) {
            out += start;  // an unfinished conversion at the end stays as written
            break;
        }
        ++p;
        spec.append(lengthStart, p);
        AppendConversion(out, ToLibraryWideFormat(spec.c_str()), remaining);
    }
    va_end(remaining);
    return out;
}

}  // namespace Utils
