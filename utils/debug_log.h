#pragma once
// The debug log: one line format for every subsystem, sent to the debugger output.
//
//   DEBUG_LOG(L"DL_TYPE=%d", type);                       // names the calling function and line
//   DEBUG_LOG_AT(L"Utils::Thread::CallBack", 101, L"THREAD BEGIN");  // a fixed name and line
//
// Formats follow the wide printf rules of the Windows runtime: in a wide format "%s" takes a
// wide string and "%hs" a narrow one.
#include <cstdarg>
#include <cstdint>
#include <string>

// Formats and writes one line; only a line for which memory runs out is dropped.
void WriteDebugLog(const wchar_t* format, ...);

namespace Utils {

struct LogStamp {
    int processId;
    int threadId;
    int year, month, day, hour, minute, second, millisecond;
    static LogStamp Now();
};

// "void CDownloadInstaller::Start(int)" gives "CDownloadInstaller::Start".
std::wstring QualifiedFunctionName(const char* prettyFunction);

// Rewrites a format written for the Windows wide printf into the same format for the C
// library's wide printf ("%s" becomes "%ls", "%hs" becomes "%s", "%I64d" becomes "%lld", ...).
std::wstring ToLibraryWideFormat(const wchar_t* format);

// Formats with the Windows wide printf rules. Narrow string and character arguments are
// converted in the locale's code set, or from UTF-8 (invalid bytes as U+FFFD) when they are not
// valid in it, so no argument can make the line fail; "%n" writes nothing. Throws
// std::bad_alloc when memory runs out.
std::wstring FormatWide(const wchar_t* format, va_list arguments);

}  // namespace Utils

#define DEBUG_LOG_PREFIX L"<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%s)<%04d>: "

#define DEBUG_LOG_AT(function, line, format, ...)                                               \
    do {                                                                                        \
        const ::Utils::LogStamp debugLogStamp = ::Utils::LogStamp::Now();                       \
        ::WriteDebugLog(DEBUG_LOG_PREFIX format L"\r\n", debugLogStamp.processId,               \
                        debugLogStamp.threadId, debugLogStamp.year, debugLogStamp.month,        \
                        debugLogStamp.day, debugLogStamp.hour, debugLogStamp.minute,            \
                        debugLogStamp.second, debugLogStamp.millisecond,                        \
                        static_cast<const wchar_t*>(function),                                  \
                        static_cast<int>(line) __VA_OPT__(, ) __VA_ARGS__);                     \
    } while (0)

#define DEBUG_LOG(format, ...)                                                                  \
    DEBUG_LOG_AT(::Utils::QualifiedFunctionName(__PRETTY_FUNCTION__).c_str(), __LINE__,         \
                 format __VA_OPT__(, ) __VA_ARGS__)
