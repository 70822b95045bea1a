#pragma once
// The single-stream downloader: one resumable CurlClient driven on a worker with a retry
// budget, then the package checked against the MD5 digest its URL carries.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "download/curl_client.h"
#include "download/downloader.h"
#include "utils/status_callback.h"
#include "utils/thread.h"

namespace Utils {
class FileDigestFollower;
}

class CCurlDownloader : public CDownloader {
public:
    static constexpr const wchar_t* kReportText = L"LibCurl";

    CCurlDownloader(StatusCallback callback, const std::wstring& url, const std::wstring& filePath);
    // Stops the transfer and waits for the worker.
    ~CCurlDownloader() override;

    void Start() override;

    // The client's progress relay: owner is the downloader.
    static void OnProgress(void* owner, double speed, double reserved, double percent);

private:
    static void dlThreadFun(void* argument);
    void Run();
    void Report(std::int32_t code, double value, const wchar_t* text);
    // False after a digest mismatch has been reported.
    bool Verify(Utils::FileDigestFollower* follower);

    StatusCallback m_callback;
    std::wstring m_filePath;
    std::wstring m_url;
    CurlClient m_client;
    std::unique_ptr<Utils::Thread> m_thread;
    bool m_md5Retried = false;
    // A worker that restarted the download from its own report; it ends right after that report
    // and is joined by the next Start or by the destructor.
    std::unique_ptr<Utils::Thread> m_finishing;
    std::mutex m_threadMutex;
    std::atomic<bool> m_stopping{false};
};
