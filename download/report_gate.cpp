#include "download/report_gate.h"

void ReportGate::Report(std::int32_t code, double value, const wchar_t* text) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_closed || !m_callback) return;
    m_callback(code, value, text);
}

void ReportGate::Close() {
    m_closed = true;
    std::lock_guard<std::recursive_mutex> wait(m_mutex);
}
