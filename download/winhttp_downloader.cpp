#include "download/winhttp_downloader.h"

#include "download/download_address.h"
#include "download/http_headers.h"
#include "download/package_digest.h"
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

}  // namespace

WinHttpDownloader::WinHttpDownloader(StatusCallback callback, const std::wstring& url,
                                     const std::wstring& filePath)
    : m_reports(std::move(callback)), m_filePath(filePath), m_url(url) {
    // Every new downloader starts from an empty part file.
    if (!m_filePath.empty()) platform::RemoveFile(PartPath());
}

WinHttpDownloader::~WinHttpDownloader() {
    m_reports.Close();
    m_worker.Stop();
}

void WinHttpDownloader::Start() {
    if (m_reports.IsClosed()) return;
    if (!m_worker.Start(L"ABDEF", [this] { DownloadThread(this); })) {
        // No worker to report for it: the download fails here, on the caller's thread.
        Report(DL_CODE_FAIL, 1.0, kReportText);
    }
}

void WinHttpDownloader::DownloadThread(void* argument) { static_cast<WinHttpDownloader*>(argument)->Run(); }

long WinHttpDownloader::JudgeAnswer(const WinHttpClient& client, std::uint64_t offset, std::uint64_t& total) {
    total = 0;
    const long status = std::wcstol(client.m_statusCode.c_str(), nullptr, 10);
    if (status == 200) {
        // The server sent the whole file, not the rest after the part already here.
        if (offset > 0) return kRangeIgnored;
        total = client.m_contentLength;
        return 0;
    }
    if (status == 206) {
        const auto header = http_headers::FirstValue(client.m_responseHeaders, L"Content-Range", 128);
        const auto range = header ? http_headers::ParseContentRange(Utils::WideToUtf8(*header)) : std::nullopt;
        // Bytes from elsewhere in the file must never be appended to the part file.
        if (!range || range->first != offset) return kWrongOffset;
        total = range->length.value_or(0);
        return 0;
    }
    return status > 0 ? status : -1;
}

long WinHttpDownloader::FetchOnce(bool& dropped) {
    dropped = false;
    const std::wstring part = PartPath();
    const std::uint64_t offset = platform::FileSize(part).value_or(0);
    WinHttpClient client(m_url);
    client.m_responseFile = part;
    client.m_cancel = &m_reports.ClosedFlag();
    if (offset > 0) client.m_extraHeaders = L"Range: bytes=" + Utils::ToWString(offset) + L"-";
    long refusal = 0;
    std::uint64_t total = 0;
    client.m_acceptResponse = [&] {
        refusal = JudgeAnswer(client, offset, total);
        return refusal == 0;
    };
    client.m_progressFn = [&](double percent) {
        if (client.m_contentLength == 0) return;
        const double length = static_cast<double>(client.m_contentLength);
        const double fraction = (static_cast<double>(offset) + percent * length / 100.0) / (static_cast<double>(offset) + length);
        // Whole percents are enough for a progress bar.
        if (fraction <= 1.0 && static_cast<int>(fraction * 100) != static_cast<int>(m_lastFraction * 100)) {
            m_lastFraction = fraction;
            Report(DL_CODE_PROGRESS, fraction, L"");
        }
    };
    const bool sent = client.SendHttpRequest(L"GET");
    if (!client.m_effectiveUrl.empty()) m_resolvedUrl = client.m_effectiveUrl;
    if (refusal == kRangeIgnored || refusal == 416) {
        // That server will not resume this part file: the next request fetches the package anew.
        platform::RemoveFile(part);
        dropped = true;
    }
    if (refusal != 0) return refusal;
    if (!sent) {
        // A connection that broke mid-body is resumed cheaply, as libcurl's partial file is.
        if (client.m_bytesWritten > 0 && client.m_lastError == platform::winhttp::kErrorConnectionError)
            return kIncompleteBody;
        return client.m_lastError ? static_cast<long>(client.m_lastError) : -1;
    }
    const std::uint64_t size = platform::FileSize(part).value_or(0);
    if (total != 0 && size > total) {
        platform::RemoveFile(part);
        dropped = true;
        return kWrongOffset;
    }
    if (size == 0 || (total != 0 && size < total)) return kIncompleteBody;
    return 0;
}

void WinHttpDownloader::Run() {
    if (m_reports.IsClosed()) return;
    Report(DL_CODE_START, 1.0, L"");
    if (m_filePath.empty()) {
        Report(DL_CODE_FAIL, 1.0, L"");
        return;
    }
    if (std::wstring scheme; !IsDownloadAddress(m_url, scheme)) {
        DEBUG_LOG(L"refused address scheme \"%s\"", scheme.c_str());
        Report(DL_CODE_FAIL, static_cast<double>(platform::winhttp::kErrorUnrecognizedScheme), kReportText);
        return;
    }
    m_resolvedUrl = m_url;
    m_lastFraction = -1;
    // A package whose address carries its digest is digested while it arrives.
    const std::string url = Utils::WideToUtf8(m_url);
    const std::wstring part = PartPath();
    std::unique_ptr<Utils::FileDigestFollower> follower = Utils::FollowDownload(url, {part});
    int budget = kBudget;
    bool dropped = false;
    for (long result = FetchOnce(dropped); result != 0; result = FetchOnce(dropped)) {
        if (m_reports.IsClosed()) return;
        budget -= result == kIncompleteBody ? 1 : 2;
        if (budget <= 0) {
            Report(DL_CODE_FAIL, static_cast<double>(result), kReportText);
            return;
        }
        if (dropped) follower = Utils::FollowDownload(url, {part});
        DEBUG_LOG(L"WinHttpDownloader Code=%d", static_cast<int>(result));
        platform::SleepMilliseconds(kRetryPauseMilliseconds);
    }
    const DigestCheck check = CheckPackageDigest(L"curl", Utils::GetMd5FromUrl(Utils::WideToUtf8(m_resolvedUrl)),
                                                 follower.get(), part, &m_reports.ClosedFlag());
    if (m_reports.IsClosed()) return;
    m_checkedDigest = check.digest;
    if (!check.note.empty()) Report(DL_CODE_MD5, 0.0, check.note.c_str());
    if (check.verdict == DigestCheck::Verdict::kRefuted) {
        // A package that failed its digest is never put in place.
        platform::RemoveFile(part);
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
