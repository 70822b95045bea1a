#include "utils/debug_log.h"

#include <cstdarg>
#include <new>

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/process.h"
#include "platform/thread.h"

void WriteDebugLog(const wchar_t* format, ...) {
    if (!format) return;
    std::wstring line;
    va_list arguments;
    va_start(arguments, format);
    try {
        line = Utils::FormatWide(format, arguments);
    } catch (const std::bad_alloc&) {
        va_end(arguments);
        return;  // the one reason a line is dropped
    }
    va_end(arguments);
    platform::OutputDebugText(line);
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

}  // namespace Utils
