#pragma once
// The debugger output channel. On Linux a line goes to standard error as UTF-8 in one write,
// so lines from different threads never interleave inside each other.
#include <functional>
#include <string>

namespace platform {

using DebugSink = std::function<void(const std::wstring& line)>;

void OutputDebugText(const std::wstring& text);

// Installs a sink (tests capture lines with it); an empty sink restores standard error.
// Returns the sink that was installed before.
DebugSink SetDebugSink(DebugSink sink);

}  // namespace platform
