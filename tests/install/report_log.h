#pragma once
// Collects the reports a worker sends, for tests.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "utils/status_callback.h"

namespace testing_support {

struct Report {
    std::int32_t code;
    double value;
    std::wstring text;
};

class ReportLog {
public:
    StatusCallback Callback() {
        return [this](std::int32_t code, double value, const wchar_t* text) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_reports.push_back({code, value, text ? text : L""});
        };
    }
    std::vector<Report> Reports() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reports;
    }
    std::vector<std::int32_t> Codes() const {
        std::vector<std::int32_t> codes;
        for (const auto& report : Reports()) codes.push_back(report.code);
        return codes;
    }
    // Codes with consecutive repeats folded ("2002…" reads as one 2002).
    std::vector<std::int32_t> Phases() const {
        std::vector<std::int32_t> codes;
        for (auto code : Codes())
            if (codes.empty() || codes.back() != code) codes.push_back(code);
        return codes;
    }
    std::vector<Report> With(std::int32_t code) const {
        std::vector<Report> found;
        for (const auto& report : Reports())
            if (report.code == code) found.push_back(report);
        return found;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Report> m_reports;
};

}  // namespace testing_support
