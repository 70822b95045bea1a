#include "platform/debug_output.h"

#include <unistd.h>

#include <mutex>

#include "platform/utf8.h"

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

}  // namespace

void OutputDebugText(const std::wstring& text) {
    {
        std::lock_guard lock(SinkMutex());
        if (Sink()) {
            Sink()(text);
            return;
        }
    }
    std::string bytes = WideToUtf8(text);
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = ::write(STDERR_FILENO, data, left);
        if (written <= 0) return;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

DebugSink SetDebugSink(DebugSink sink) {
    std::lock_guard lock(SinkMutex());
    DebugSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

}  // namespace platform
