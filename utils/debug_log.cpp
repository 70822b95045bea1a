#include "utils/debug_log.h"

#include <cstdarg>
#include <cwchar>
#include <new>
#include <vector>

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/process.h"
#include "platform/thread.h"

namespace {

constexpr std::size_t kFirstBufferChars = 512;
constexpr std::size_t kLargestLineChars = std::size_t{1} << 20;

}  // namespace

void WriteDebugLog(const wchar_t* format, ...) {
    if (!format) return;
    const std::wstring libraryFormat = Utils::ToLibraryWideFormat(format);
    // The C library cannot count a wide line in advance, so the buffer grows until it fits.
    for (std::size_t size = kFirstBufferChars; size <= kLargestLineChars; size *= 2) {
        std::vector<wchar_t> buffer;
        try {
            buffer.resize(size + 2);
        } catch (const std::bad_alloc&) {
            return;
        }
        va_list arguments;
        va_start(arguments, format);
        int written = std::vswprintf(buffer.data(), size, libraryFormat.c_str(), arguments);
        va_end(arguments);
        if (written >= 0) {
            platform::OutputDebugText(std::wstring(buffer.data(), static_cast<std::size_t>(written)));
            return;
        }
    }
}

namespace Utils {

LogStamp LogStamp::Now() {
    platform::LocalTime time = platform::GetLocalTime();
    return LogStamp{platform::CurrentProcessId(), static_cast<int>(platform::CurrentThreadId()),
                    time.year, time.month, time.day, time.hour, time.minute, time.second,
                    time.millisecond};
}

std::wstring QualifiedFunctionName(const char* prettyFunction) {
    std::string text = prettyFunction ? prettyFunction : "";
    // Pass 1: find the parameter list of the outermost function: the first "(" that is not
    // inside template brackets. What stands before it is the return type and the name.
    int angle = 0;
    std::size_t open = std::string::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '<') {
            ++angle;
        } else if (c == '>' && angle > 0) {
            --angle;
        } else if (c == '(' && angle == 0) {
            // "operator()" has its own pair of parentheses before the parameter list.
            if (i >= 8 && text.compare(i - 8, 8, "operator") == 0 && i + 1 < text.size() &&
                text[i + 1] == ')') {
                ++i;
                continue;
            }
            open = i;
            break;
        }
    }
    std::string head = text.substr(0, open);
    // Pass 2: the name is the last space-separated word outside template brackets.
    angle = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < head.size(); ++i) {
        char c = head[i];
        if (c == '<') ++angle;
        else if (c == '>' && angle > 0) --angle;
        else if (c == ' ' && angle == 0) start = i + 1;
    }
    std::string name = head.substr(start);
    while (!name.empty() && (name.front() == '*' || name.front() == '&')) name.erase(0, 1);
    return std::wstring(name.begin(), name.end());
}

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

}  // namespace Utils
