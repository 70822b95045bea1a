#include "platform/debug_output.h"

#include <windows.h>

#include <mutex>

namespace platform {
namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

DebugSink& Sink() {
    static DebugSink sink;
    return sink;
}

// A developer who starts a program from a console reads its log there too; standard error sent
// to a file, a pipe or nowhere (a hidden child's) gets nothing, as the log is the debugger's.
void WriteToConsole(const std::wstring& text) {
    HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (error == nullptr || error == INVALID_HANDLE_VALUE || !::GetConsoleMode(error, &mode)) return;
    DWORD written = 0;
    ::WriteConsoleW(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

void OutputDebugText(const std::wstring& text) {
    {
        std::lock_guard lock(SinkMutex());
        if (Sink()) {
            Sink()(text);
            return;
        }
    }
    ::OutputDebugStringW(text.c_str());
    WriteToConsole(text);
}

DebugSink SetDebugSink(DebugSink sink) {
    std::lock_guard lock(SinkMutex());
    DebugSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

}  // namespace platform
