#include "tests/support/log_capture.h"

namespace testing_support {

LogCapture::LogCapture() {
    m_previous = platform::SetDebugSink([this](const std::wstring& line) {
        std::lock_guard lock(m_mutex);
        m_lines.push_back(line);
    });
}

LogCapture::~LogCapture() { platform::SetDebugSink(std::move(m_previous)); }

std::vector<std::wstring> LogCapture::Lines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

std::vector<std::wstring> LogCapture::LinesWith(const std::wstring& text) const {
    std::vector<std::wstring> found;
    for (const auto& line : Lines())
        if (line.find(text) != std::wstring::npos) found.push_back(line);
    return found;
}

}  // namespace testing_support
