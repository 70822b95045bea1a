#include "download/curl_downloader.h"

#include "platform/clock.h"
#include "platform/file_system.h"
#include "utils/debug_log.h"
#include "utils/digest.h"
#include "utils/digest_follower.h"
#include "utils/text.h"

namespace {

constexpr int kRetryBudget = 12;
constexpr std::uint32_t kRetryPauseMilliseconds = 500;

// A connection that broke mid-body resumes cheaply; anything else is likelier to persist.
int RetryCost(int result) { return result == CURLE_PARTIAL_FILE ? 1 : 2; }

}  // namespace

CCurlDownloader::CCurlDownloader(StatusCallback callback, const std::wstring& url,
                                 const std::wstring& filePath)
    : m_callback(std::move(callback)), m_filePath(filePath), m_url(url), m_client(m_url, m_filePath, this) {
    // Every new downloader starts from an empty part file.
    if (!m_filePath.empty()) platform::DeleteFile(m_client.GetFilePath(true));
}

CCurlDownloader::~CCurlDownloader() {
    std::unique_ptr<Utils::Thread> current;
    std::unique_ptr<Utils::Thread> finishing;
    {
        std::lock_guard<std::mutex> lock(m_threadMutex);
        m_stopping = true;
        m_client.m_stop = true;
        current = std::move(m_thread);
        finishing = std::move(m_finishing);
    }
    // Joined outside the lock: a worker may be inside a report that calls Start.
    current.reset();
    finishing.reset();
}

void CCurlDownloader::Start() {
    std::unique_lock<std::mutex> lock(m_threadMutex);
    if (m_thread && m_thread->IsCurrent()) {
        // Asked from the worker's own report: it cannot wait for itself, and it ends right after
        // that report. The one it replaced earlier has already passed its last report.
        std::unique_ptr<Utils::Thread> earlier = std::move(m_finishing);
        m_finishing = std::move(m_thread);
        earlier.reset();
    } else {
        // Earlier workers are joined without the lock, since they may still report and restart.
        while (m_thread || m_finishing) {
            std::unique_ptr<Utils::Thread> previous = std::move(m_thread);
            std::unique_ptr<Utils::Thread> finishing = std::move(m_finishing);
            lock.unlock();
            previous.reset();
            finishing.reset();
            lock.lock();
        }
    }
    if (m_stopping) return;
    m_thread = std::make_unique<Utils::Thread>(this, L"ABDEF", &CCurlDownloader::dlThreadFun);
    if (!m_thread->IsValid()) {
        // No worker to report for it: the download fails here, on the caller's thread.
        m_thread.reset();
        lock.unlock();
        Report(DL_CODE_FAIL, 1.0, kReportText);
        return;
    }
    m_thread->Resume();
}

void CCurlDownloader::OnProgress(void* owner, double speed, double, double percent) {
    if (speed > 0.0 && percent <= 100.0)
        static_cast<CCurlDownloader*>(owner)->Report(DL_CODE_PROGRESS, percent / 100.0, L"");
}

void CCurlDownloader::dlThreadFun(void* argument) { static_cast<CCurlDownloader*>(argument)->Run(); }

void CCurlDownloader::Report(std::int32_t code, double value, const wchar_t* text) {
    if (m_callback) m_callback(code, value, text);
}

void CCurlDownloader::Run() {
    if (m_stopping) return;
    Report(DL_CODE_START, 1.0, L"");
    if (m_filePath.empty()) {
        Report(DL_CODE_FAIL, 1.0, L"");
        return;
    }
    // A package whose address carries its digest is digested while it arrives.
    const std::unique_ptr<Utils::FileDigestFollower> follower =
        Utils::FollowDownload(Utils::WideToUtf8(m_url), {m_client.GetFilePath(true)});
    int budget = kRetryBudget;
    for (int result = m_client.Start(); result != 0; result = m_client.Start()) {
        // The owner is going away; nobody waits for a report any more.
        if (m_stopping) return;
        budget -= RetryCost(result);
        if (budget <= 0) {
            Report(DL_CODE_FAIL, static_cast<double>(result), kReportText);
            return;
        }
        DEBUG_LOG_AT(L"CCurlDownloader::dlThreadFun", __LINE__, L"CurlDownLoader Code=%d", result);
        platform::SleepMilliseconds(kRetryPauseMilliseconds);
        if (m_stopping) return;
    }
    if (m_stopping) return;
    if (!Verify(follower.get())) {
        if (!m_md5Retried) {
            m_md5Retried = true;
            Report(DL_CODE_RETRY, 0.0, kReportText);
        } else {
            Report(DL_CODE_FAIL, 0.0, kReportText);
        }
        return;
    }
    Report(DL_CODE_SUCCESS, 0.0, kReportText);
}

bool CCurlDownloader::Verify(Utils::FileDigestFollower* follower) {
    const std::string expected = Utils::GetMd5FromUrl(m_client.m_realUrl);
    if (expected.size() != 32) {
        Report(DL_CODE_MD5, 0.0, L"curl获取url-md5失败");
        return true;
    }
    // A package that cannot be read back has not passed its digest either.
    if (Utils::DownloadedFileMd5(follower, m_filePath, expected) == expected) return true;
    // Nothing may run or reuse a package that failed its digest; a restart fetches it anew.
    platform::DeleteFile(m_filePath);
    Report(DL_CODE_MD5, 0.0, L"curl文件md5校验失败");
    return false;
}
