#include "download/winhttp_downloader.h"

#include "download/winhttp_client.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "utils/debug_log.h"
#include "utils/digest.h"
#include "utils/digest_follower.h"
#include "utils/text.h"

namespace {

constexpr int kBudget = 12;
constexpr std::uint32_t kRetryPauseMilliseconds = 500;
// Codes of our own for what the HTTP layer does not count as an error.
constexpr long kIncompleteBody = 18;  // the body ended early (as libcurl's partial file)
constexpr long kRangeIgnored = -995;

}  // namespace

WinHttpDownloader::WinHttpDownloader(StatusCallback callback, const std::wstring& url,
                                     const std::wstring& filePath)
    : m_callback(std::move(callback)), m_filePath(filePath), m_url(url) {
    // Every new downloader starts from an empty part file.
    if (!m_filePath.empty()) platform::DeleteFile(m_filePath + L".part");
}

WinHttpDownloader::~WinHttpDownloader() {
    std::unique_ptr<Utils::Thread> last;
    {
        std::lock_guard<std::mutex> lock(m_threadMutex);
        m_stopping = true;
        last = std::move(m_thread);
    }
    last.reset();
}

void WinHttpDownloader::Start() {
    std::unique_lock<std::mutex> lock(m_threadMutex);
    if (m_stopping) return;
    // Called from the worker itself in answer to a restart report, the reset does not wait: the
    // current worker ends right after that report.
    m_thread.reset();
    m_thread = std::make_unique<Utils::Thread>(this, L"ABDEF", &WinHttpDownloader::DownloadThread);
    if (!m_thread->IsValid()) {
        // No worker to report for it: the download fails here, on the caller's thread.
        m_thread.reset();
        lock.unlock();
        Report(DL_CODE_FAIL, 1.0, kReportText);
        return;
    }
    m_thread->Resume();
}

void WinHttpDownloader::DownloadThread(void* argument) {
    static_cast<WinHttpDownloader*>(argument)->Run();
}

void WinHttpDownloader::Report(std::int32_t code, double value, const std::wstring& text) {
    if (m_callback) m_callback(code, value, text.c_str());
}

long WinHttpDownloader::FetchOnce() {
    const std::wstring part = m_filePath + L".part";
    const std::uint64_t offset = platform::FileSize(part).value_or(0);
    WinHttpClient client(m_url);
    client.m_responseFile = part;
    if (offset > 0) client.m_extraHeaders = L"Range: bytes=" + Utils::ToWString(offset) + L"-";
    client.m_progressFn = [&](double percent) {
        if (m_stopping) client.m_keepWriting = false;
        if (client.m_contentLength == 0) return;
        const double total = static_cast<double>(offset) + client.m_contentLength;
        const double fraction = (static_cast<double>(offset) + percent * client.m_contentLength / 100.0) / total;
        // Whole percents are enough for a progress bar.
        if (fraction <= 1.0 && static_cast<int>(fraction * 100) != static_cast<int>(m_lastFraction * 100)) {
            m_lastFraction = fraction;
            Report(DL_CODE_PROGRESS, fraction, L"");
        }
    };
    const bool sent = client.SendHttpRequest(L"GET");
    if (!client.m_effectiveUrl.empty()) m_resolvedUrl = client.m_effectiveUrl;
    if (!sent) return client.m_lastError ? static_cast<long>(client.m_lastError) : -1;
    const long status = std::wcstol(client.m_statusCode.c_str(), nullptr, 10);
    if (offset > 0 && status == 200) {
        // The server sent the whole file again after the part already here.
        platform::DeleteFile(part);
        return kRangeIgnored;
    }
    if (offset > 0 && status == 416) {
        platform::DeleteFile(part);
        return status;
    }
    if (status != 200 && status != 206) {
        platform::DeleteFile(part);
        return status > 0 ? status : -1;
    }
    const std::uint64_t size = platform::FileSize(part).value_or(0);
    if (client.m_contentLength != 0 && size != offset + client.m_contentLength) return kIncompleteBody;
    if (size == 0) return kIncompleteBody;
    return 0;
}

bool WinHttpDownloader::Verify(const std::wstring& path, Utils::FileDigestFollower* follower) {
    const std::string expected = Utils::GetMd5FromUrl(Utils::WideToUtf8(m_resolvedUrl));
    if (expected.size() != 32) {
        Report(DL_CODE_MD5, 0.0, L"curl获取url-md5失败");
        return true;
    }
    // A package that cannot be read back has not passed its digest either.
    if (Utils::DownloadedFileMd5(follower, path, expected) == expected) return true;
    Report(DL_CODE_MD5, 0.0, L"curl文件md5校验失败");
    return false;
}

void WinHttpDownloader::Run() {
    Report(DL_CODE_START, 1.0, L"");
    if (m_filePath.empty()) {
        Report(DL_CODE_FAIL, 1.0, L"");
        return;
    }
    m_resolvedUrl = m_url;
    m_lastFraction = -1;
    // A package whose address carries its digest is digested while it arrives.
    const std::unique_ptr<Utils::FileDigestFollower> follower =
        Utils::FollowDownload(Utils::WideToUtf8(m_url), {m_filePath + L".part"});
    int budget = kBudget;
    for (long result = FetchOnce(); result != 0; result = FetchOnce()) {
        if (m_stopping) return;
        if (result != kRangeIgnored) budget -= result == kIncompleteBody ? 1 : 2;
        if (budget <= 0) {
            Report(DL_CODE_FAIL, static_cast<double>(result), kReportText);
            return;
        }
        DEBUG_LOG(L"WinHttpDownloader Code=%d", static_cast<int>(result));
        platform::SleepMilliseconds(kRetryPauseMilliseconds);
    }
    const std::wstring part = m_filePath + L".part";
    if (!Verify(part, follower.get())) {
        // A package that failed its digest is never put in place.
        platform::DeleteFile(part);
        if (!m_md5Retried) {
            m_md5Retried = true;
            Report(DL_CODE_RETRY, 0.0, kReportText);
        } else {
            Report(DL_CODE_FAIL, 0.0, kReportText);
        }
        return;
    }
    if (!platform::RenameFile(part, m_filePath)) {
        Report(DL_CODE_FAIL, 1.0, kReportText);
        return;
    }
    Report(DL_CODE_SUCCESS, 0.0, kReportText);
}
