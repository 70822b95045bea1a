#include "download/curl_downloader.h"

#include "download/curl_setup.h"
#include "download/download_address.h"
#include "download/package_digest.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "utils/debug_log.h"
#include "utils/digest.h"
#include "utils/digest_follower.h"
#include "utils/text.h"

namespace {

constexpr int kRetryBudget = 12;
constexpr std::uint32_t kRetryPauseMilliseconds = 500;

}  // namespace

CCurlDownloader::CCurlDownloader(StatusCallback callback, const std::wstring& url,
                                 const std::wstring& filePath)
    : m_reports(std::move(callback)), m_filePath(filePath), m_url(url), m_client(m_url, m_filePath, this) {
    // Every new downloader starts from an empty part file.
    if (!m_filePath.empty()) platform::RemoveFile(m_client.GetFilePath(true));
}

CCurlDownloader::~CCurlDownloader() {
    m_client.Stop();
    m_reports.Close();
    m_worker.Stop();
}

void CCurlDownloader::Start() {
    if (m_reports.IsClosed()) return;
    if (!m_worker.Start(L"ABDEF", [this] { dlThreadFun(this); })) {
        // No worker to report for it: the download fails here, on the caller's thread.
        Report(DL_CODE_FAIL, 1.0, kReportText);
    }
}

void CCurlDownloader::OnProgress(void* owner, double speed, double, double percent) {
    if (speed > 0.0 && percent <= 100.0)
        static_cast<CCurlDownloader*>(owner)->Report(DL_CODE_PROGRESS, percent / 100.0, L"");
}

void CCurlDownloader::dlThreadFun(void* argument) { static_cast<CCurlDownloader*>(argument)->Run(); }

void CCurlDownloader::Run() {
    if (m_reports.IsClosed()) return;
    Report(DL_CODE_START, 1.0, L"");
    if (m_filePath.empty()) {
        Report(DL_CODE_FAIL, 1.0, L"");
        return;
    }
    if (std::wstring scheme; !IsDownloadAddress(m_url, scheme)) {
        DEBUG_LOG(L"refused address scheme \"%s\"", scheme.c_str());
        Report(DL_CODE_FAIL, static_cast<double>(CURLE_UNSUPPORTED_PROTOCOL), kReportText);
        return;
    }
    // A package whose address carries its digest is digested while it arrives.
    const std::string url = Utils::WideToUtf8(m_url);
    const std::wstring partPath = m_client.GetFilePath(true);
    std::unique_ptr<Utils::FileDigestFollower> follower = Utils::FollowDownload(url, {partPath});
    int budget = kRetryBudget;
    for (int result = m_client.Start(); result != 0; result = m_client.Start()) {
        // The owner is going away; nobody waits for a report any more.
        if (m_client.m_stop) return;
        budget -= curl_setup::RetryCost(result);
        if (budget <= 0) {
            Report(DL_CODE_FAIL, static_cast<double>(result), kReportText);
            return;
        }
        // The client dropped a part file whose resumption the server answered whole: the next
        // attempt starts from nothing, and so does the digest of what arrives.
        if (result == CURLE_RANGE_ERROR) follower = Utils::FollowDownload(url, {partPath});
        DEBUG_LOG_AT(L"CCurlDownloader::dlThreadFun", __LINE__, L"CurlDownLoader Code=%d", result);
        platform::SleepMilliseconds(kRetryPauseMilliseconds);
        if (m_client.m_stop) return;
    }
    const DigestCheck check = CheckPackageDigest(L"curl", Utils::GetMd5FromUrl(m_client.m_realUrl), follower.get(), m_filePath, &m_client.m_stop);
    if (m_client.m_stop) return;
    m_checkedDigest = check.digest;
    if (!check.note.empty()) Report(DL_CODE_MD5, 0.0, check.note.c_str());
    if (check.verdict == DigestCheck::Verdict::kRefuted) {
        // Nothing may run or reuse a package that failed its digest; a restart fetches it anew.
        platform::RemoveFile(m_filePath);
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
