#pragma once
// Captures debug log lines while it lives.
#include <mutex>
#include <string>
#include <vector>

#include "platform/debug_output.h"

namespace testing_support {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::wstring> Lines() const;
    // Lines that contain the text.
    std::vector<std::wstring> LinesWith(const std::wstring& text) const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_lines;
    platform::DebugSink m_previous;
};

}  // namespace testing_support
