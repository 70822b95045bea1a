#pragma once
// The downloader over WinHttpClient. It reports like the libcurl downloaders (start, progress,
// success or failure, the same MD5 check and one restart after a digest mismatch), fetches into
// a part file that a later attempt resumes, and puts the package in place only when complete.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "download/downloader.h"
#include "utils/status_callback.h"
#include "utils/thread.h"

namespace Utils {
class FileDigestFollower;
}

class WinHttpDownloader : public CDownloader {
public:
    static constexpr const wchar_t* kReportText = L"WinHttp";

    WinHttpDownloader(StatusCallback callback, const std::wstring& url, const std::wstring& filePath);
    ~WinHttpDownloader() override;

    void Start() override;

private:
    static void DownloadThread(void* argument);
    void Run();
    void Report(std::int32_t code, double value, const std::wstring& text);
    // One request; 0 when the part file is complete, else the cost-bearing failure code.
    long FetchOnce();
    // False after a digest mismatch (reported here).
    bool Verify(const std::wstring& path, Utils::FileDigestFollower* follower);

    StatusCallback m_callback;
    std::wstring m_filePath;
    std::wstring m_url;
    std::unique_ptr<Utils::Thread> m_thread;
    // Start may come from the worker while the owner destroys the downloader.
    std::mutex m_threadMutex;
    bool m_md5Retried = false;
    std::wstring m_resolvedUrl;
    std::atomic<bool> m_stopping{false};
    double m_lastFraction = -1;
};
