#pragma once
// Reports of a two-part download, restarted from inside DL_CODE_RETRY as the installation job does.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "download/downloader.h"
#include "utils/status_callback.h"

namespace mtcurl_testing {

struct Report {
    std::int32_t code;
    double value;
    std::wstring text;
};

class Reports {
public:
    // With a downloader set, DL_CODE_RETRY is answered by its Start on the reporting thread.
    void RestartThrough(CDownloader* downloader) { m_downloader = downloader; }

    StatusCallback Callback() {
        return [this](std::int32_t code, double value, const wchar_t* text) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_reports.push_back({code, value, text});
                m_changed.notify_all();
            }
            if (code == DL_CODE_RETRY && m_downloader) m_downloader.load()->Start();
        };
    }

    // Waits until the run ends with success or failure (a restart is not an end).
    std::vector<Report> WaitForFinalEnd() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::minutes(1), [&] {
            return !m_reports.empty() &&
                   (m_reports.back().code == DL_CODE_SUCCESS || m_reports.back().code == DL_CODE_FAIL);
        });
        return m_reports;
    }

    std::vector<Report> Snapshot() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reports;
    }

    // Codes from DL_CODE_SUCCESS on, with their values: the ends of the runs and the digest notes.
    static std::vector<std::pair<std::int32_t, double>> Ends(const std::vector<Report>& reports) {
        std::vector<std::pair<std::int32_t, double>> ends;
        for (const auto& report : reports)
            if (report.code >= DL_CODE_SUCCESS) ends.push_back({report.code, report.value});
        return ends;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Report> m_reports;
    std::atomic<CDownloader*> m_downloader{nullptr};
};

}  // namespace mtcurl_testing
