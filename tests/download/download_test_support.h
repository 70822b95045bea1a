#pragma once
// Shared pieces of the libcurl engine tests: package bytes, their digest, and a recorder of
// status reports that answers a restart request the way the installation job does.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "download/downloader.h"
#include "platform/message_digest.h"
#include "utils/status_callback.h"

namespace download_test {

constexpr std::size_t kMebibyte = 1048576;

inline std::string Package(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t at = 0; at < size; ++at) bytes[at] = static_cast<char>((at * 31 + at / 4099) & 0xFF);
    return bytes;
}

// The digest of the bytes in lower-case hexadecimal digits, as package addresses carry it.
inline std::string DigestHex(const std::string& bytes,
                             platform::DigestAlgorithm algorithm = platform::DigestAlgorithm::kMd5) {
    platform::MessageDigest digest(algorithm);
    digest.Update(bytes.data(), bytes.size());
    return digest.FinishHex();
}

struct Report {
    std::int32_t code;
    double value;
    std::wstring text;
    bool operator==(const Report&) const = default;
};

inline void PrintTo(const Report& report, std::ostream* out) {
    *out << report.code << " " << report.value << " (" << report.text.size() << " chars)";
}

class Recorder {
public:
    // Reports answered with a restart go to this downloader.
    void RestartWith(CDownloader* downloader) { m_downloader = downloader; }

    StatusCallback Callback() {
        return [this](std::int32_t code, double value, const wchar_t* text) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_reports.push_back({code, value, text});
                if (code == DL_CODE_SUCCESS || code == DL_CODE_FAIL || code == DL_CODE_RETRY) ++m_ends;
                m_changed.notify_all();
            }
            if (code == DL_CODE_RETRY && m_downloader) m_downloader->Start();
        };
    }

    // Every report once the workers have ended that many times.
    std::vector<Report> WaitForEnds(int ends) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::minutes(1), [&] { return m_ends >= ends; });
        return m_reports;
    }

    std::vector<Report> All() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reports;
    }

    // The reports without the progress ones, whose number depends on timing.
    static std::vector<Report> WithoutProgress(const std::vector<Report>& reports) {
        std::vector<Report> kept;
        for (const auto& report : reports)
            if (report.code != DL_CODE_PROGRESS) kept.push_back(report);
        return kept;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Report> m_reports;
    int m_ends = 0;
    CDownloader* m_downloader = nullptr;
};

}  // namespace download_test
