#pragma once
// Collects the reports a worker sends, for tests.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
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
            m_changed.notify_all();
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
    // Waits until one of the codes has been reported; false after a minute, which only a hung
    // worker takes.
    bool WaitFor(std::initializer_list<std::int32_t> codes) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::minutes(1), [&] {
            for (const auto& report : m_reports)
                for (auto code : codes)
                    if (report.code == code) return true;
            return false;
        });
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Report> m_reports;
};

}  // namespace testing_support
