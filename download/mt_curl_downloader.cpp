#include "download/mt_curl_downloader.h"

#include <curl/curl.h>

#include <chrono>
#include <limits>
#include <optional>
#include <type_traits>

#include "download/curl_setup.h"
#include "download/download_address.h"
#include "download/http_headers.h"
#include "download/package_digest.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "utils/debug_log.h"
#include "utils/digest.h"
#include "utils/digest_follower.h"
#include "utils/text.h"

static_assert(std::is_same_v<curl_off_t, std::int64_t>, "OnProgress must match libcurl's signature");

namespace {

constexpr std::int32_t kPartDivisor = 10485760;
constexpr std::int32_t kMinKnownLength = 256;
constexpr int kRetryBudget = 12;
constexpr std::uint32_t kRetryPauseMilliseconds = 400;
constexpr std::uint32_t kPartStaggerMilliseconds = 100;
constexpr std::uint32_t kJoinPollMilliseconds = 200;
constexpr long kConnectTimeoutSeconds = 60;
constexpr std::int32_t kPartFileFailure = -2;
// Larger than libcurl's 16 KiB default, so each part spends less on read and write calls.
constexpr long kReceiveBufferBytes = 512 * 1024;
// libcurl hands the body over in 16 KiB pieces whatever its receive buffer, and the default
// stdio buffer turns each piece into two writes.
constexpr std::size_t kFileBufferBytes = 256 * 1024;

void SetFileBuffer(CMTCurlDownloader::DownloadPartNode& part) {
    part.fileBuffer.resize(kFileBufferBytes);
    std::setvbuf(part.file, part.fileBuffer.data(), _IOFBF, part.fileBuffer.size());
}

std::int64_t SecondsSinceEpoch() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::vector<CMTCurlDownloader::PartRange> CMTCurlDownloader::SplitIntoParts(std::int32_t fileLength) {
    std::vector<PartRange> ranges;
    if (fileLength <= 0) return ranges;
    std::int32_t count = fileLength / kPartDivisor;
    if (count == 0) count = 1;
    if (count > kMaxDownloadParts) count = kMaxDownloadParts;
    const std::int32_t size = fileLength / count;
    std::int32_t offset = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t length = i + 1 == count ? fileLength - offset : size;
        ranges.push_back({offset, offset + length - 1});
        offset += length;
    }
    return ranges;
}

CMTCurlDownloader::CMTCurlDownloader(StatusCallback callback, const std::wstring& url,
                                     const std::wstring& filePath)
    : m_reports(std::move(callback)), m_filePath(filePath), m_url(url), m_clockSeconds(SecondsSinceEpoch) {
    platform::InitialiseCurl();
    if (!m_filePath.empty()) {
        platform::RemoveFile(m_filePath);
        DeletePartFiles();
    }
}

CMTCurlDownloader::~CMTCurlDownloader() {
    // From here on nothing is reported, transfers end at once, and Start and Launch start nothing.
    m_reports.Close();
    m_sockets.ShutdownAll();
    // Joined outside the lock: the joining thread may be inside a report that calls Start.
    for (;;) {
        std::vector<std::unique_ptr<Utils::Thread>> threads;
        {
            std::lock_guard<std::mutex> lock(m_threadMutex);
            threads.swap(m_threads);
        }
        if (threads.empty()) break;
        threads.clear();
    }
    ClearParts();
}

void CMTCurlDownloader::Start() {
    std::unique_lock<std::mutex> lock(m_threadMutex);
    // Earlier threads are joined, except the caller: the joining thread that asks for a restart
    // from its own report ends right after it and is joined by the next Start or the destructor.
    for (;;) {
        if (m_reports.IsClosed()) return;
        std::vector<std::unique_ptr<Utils::Thread>> earlier;
        std::vector<std::unique_ptr<Utils::Thread>> kept;
        for (auto& thread : m_threads) (thread->IsCurrent() ? kept : earlier).push_back(std::move(thread));
        m_threads.swap(kept);
        if (earlier.empty()) break;
        lock.unlock();
        earlier.clear();
        lock.lock();
    }
    auto worker = std::make_unique<Utils::Thread>(this, L"ABDEF", &CMTCurlDownloader::Start_Down);
    if (!worker->IsValid()) {
        // No worker to report for it: the download fails here, on the caller's thread.
        lock.unlock();
        Report(DL_CODE_FAIL, 1.0, kReportText);
        return;
    }
    Utils::Thread* started = worker.get();
    m_threads.push_back(std::move(worker));
    started->Resume();
}

bool CMTCurlDownloader::Launch(const std::wstring& name, std::function<void()> body) {
    std::lock_guard<std::mutex> lock(m_threadMutex);
    if (m_reports.IsClosed()) return false;
    auto thread = std::make_unique<Utils::Thread>(nullptr, name, [body = std::move(body)](void*) { body(); });
    if (!thread->IsValid()) return false;
    Utils::Thread* started = thread.get();
    m_threads.push_back(std::move(thread));
    started->Resume();
    return true;
}

std::wstring CMTCurlDownloader::PartPath(int index) const {
    return PartFilePath(m_filePath, index);
}

void CMTCurlDownloader::SealPart(std::size_t index) {
    if (m_follower) m_follower->Seal(index, platform::FileSize(PartPath(static_cast<int>(index))).value_or(0));
}

void CMTCurlDownloader::DeletePartFiles() {
    for (int i = 0; i < kMaxDownloadParts; ++i) platform::RemoveFile(PartPath(i));
}

void CMTCurlDownloader::Start_Down(void* downloader) { static_cast<CMTCurlDownloader*>(downloader)->RunDown(); }

void CMTCurlDownloader::RunDown() {
    Report(DL_CODE_START, 1.0, L"");
    DEBUG_LOG_AT(L"CMTCurlDownloader::Start_Down", __LINE__, L"start download");
    if (m_filePath.empty()) {
        // As the other engines do; the part files would otherwise land in the working folder.
        Report(DL_CODE_FAIL, 1.0, L"");
        return;
    }
    if (std::wstring scheme; !IsDownloadAddress(m_url, scheme)) {
        DEBUG_LOG(L"refused address scheme \"%s\"", scheme.c_str());
        Report(DL_CODE_FAIL, static_cast<double>(CURLE_UNSUPPORTED_PROTOCOL), kReportText);
        return;
    }
    const std::string probeUrl = Utils::WideToUtf8(m_url);
    platform::RemoveFile(m_filePath);
    if (m_lastPercent == 0.0) DeletePartFiles();

    if (m_realUrl.empty() || m_fileLength < kMinKnownLength) {
        if (!getRealDownloadUrl(probeUrl)) {
            Report(DL_CODE_FAIL, 0.0, kReportText);
            return;
        }
    }

    const std::vector<PartRange> ranges = SplitIntoParts(m_fileLength);
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        auto part = std::make_unique<DownloadPartNode>();
        part->index = i;
        const std::wstring path = PartPath(static_cast<int>(i));
        const std::int64_t length = ranges[i].last - ranges[i].first + 1;
        std::int64_t existing = static_cast<std::int64_t>(platform::FileSize(path).value_or(0));
        if (existing > length) {
            // Longer than its range: not ours to resume.
            platform::RemoveFile(path);
            existing = 0;
        }
        part->downloaded = existing;
        part->first = ranges[i].first;
        part->start = ranges[i].first + static_cast<std::int32_t>(existing);
        part->end = ranges[i].last;
        part->curl = curl_easy_init();
        part->url = m_realUrl;
        part->path = platform::PathToNative(path);
        if (part->start > part->end) {
            part->state = 0;
        } else {
            part->state = -1;
            part->file = platform::OpenFileForAppend(platform::PathFromNative(part->path));
            if (!part->file)
                part->state = kPartFileFailure;
            else
                SetFileBuffer(*part);
        }
        m_parts.push_back(std::move(part));
    }

    // A package whose address carries its digest is digested while its parts arrive.
    std::vector<std::wstring> partPaths;
    for (const auto& part : m_parts) partPaths.push_back(PartPath(static_cast<int>(part->index)));
    m_follower = Utils::FollowDownload(m_realUrl, partPaths);
    for (const auto& part : m_parts)
        if (part->state == 0) SealPart(part->index);

    for (auto& part : m_parts) {
        if (part->state != -1) continue;
        ++m_runningParts;
        DownloadPartNode* node = part.get();
        if (!Launch(L"MTCurlPart", [this, node] { downloadThreadFun(this, node); })) {
            --m_runningParts;
            node->state = kPartFileFailure;
            break;
        }
        platform::SleepMilliseconds(kPartStaggerMilliseconds);
    }
    // Without a thread of its own the run still ends with its one final report.
    if (!Launch(L"MTCurlJoin", [this] { waitForFinishThreadFun(this); }) && !m_reports.IsClosed()) FinishRun();
}

bool CMTCurlDownloader::getRealDownloadUrl(const std::string& probeUrl) {
    m_realUrl.clear();
    m_expectedMd5.clear();
    m_fileLength = 0;
    CURL* curl = curl_easy_init();
    if (!curl) return false;
    curl_slist* headers = curl_slist_append(nullptr, "Connection: keep-alive");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    // TLS peer and host verification stay on: the package is run with administrator rights.
    int result = curl_easy_setopt(curl, CURLOPT_URL, probeUrl.c_str());
    result |= platform::SetTransportSecurity(curl, probeUrl);
    result |= m_sockets.Attach(curl);
    result |= curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    result |= curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    result |= curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &curl_setup::DiscardBody);
    result |= curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    // Only to end the probe early when the downloader is destroyed.
    result |= curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    result |= curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    result |= curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::OnProgress);
    result |= curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    if (result != 0 || curl_easy_perform(curl) != CURLE_OK) {
        curl_easy_cleanup(curl);
        curl_slist_free_all(headers);
        return false;
    }
    char* effective = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective && *effective) {
        m_realUrl = effective;
        DEBUG_LOG_AT(L"CMTCurlDownloader::getRealDownloadUrl", __LINE__, L"Download File real url %hs",
                     m_realUrl.c_str());
        m_expectedMd5 = Utils::GetMd5FromUrl(m_realUrl);
    }
    curl_off_t length = -1;
    long status = 0;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 &&
        status <= 399) {
        DEBUG_LOG_AT(L"CMTCurlDownloader::getRealDownloadUrl", __LINE__, L"Download File Length %lld",
                     static_cast<long long>(length));
        // Offsets are 32-bit: a longer file is refused, never cut to a wrong, smaller length.
        if (length > 0 && length <= std::numeric_limits<std::int32_t>::max())
            m_fileLength = static_cast<std::int32_t>(length);
    }
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return !m_realUrl.empty() && m_fileLength >= kMinKnownLength;
}

void CMTCurlDownloader::downloadThreadFun(CMTCurlDownloader* downloader, DownloadPartNode* part) {
    int budget = kRetryBudget;
    int result = downloader->downloadExe(part);
    while (result != 0 && budget > 0 && !downloader->m_reports.IsClosed()) {
        budget -= curl_setup::RetryCost(result);
        DEBUG_LOG_AT(L"CMTCurlDownloader::downloadThreadFun", __LINE__, L"CurlDownLoader Code=%d", result);
        platform::SleepMilliseconds(kRetryPauseMilliseconds);
        if (downloader->m_reports.IsClosed()) break;
        result = downloader->downloadExe(part);
    }
    if (part->file) {
        std::fclose(part->file);
        part->file = nullptr;
    }
    // Sealed at once, so the digest moves on to the next part without waiting for the joining
    // thread, and before the merge appends to part 0.
    if (part->state == 0) downloader->SealPart(part->index);
    --downloader->m_runningParts;
}

int CMTCurlDownloader::downloadExe(DownloadPartNode* part) {
    CURL* curl = part->curl;
    if (!curl) {
        part->state = CURLE_FAILED_INIT;
        return part->state;
    }
    if (!part->file && !ReopenPart(part, false)) {
        part->state = kPartFileFailure;
        return part->state;
    }
    char range[64];
    std::snprintf(range, sizeof range, "%ld-%ld", static_cast<long>(part->start), static_cast<long>(part->end));
    int result = curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    result |= curl_easy_setopt(curl, CURLOPT_URL, part->url.c_str());
    result |= curl_easy_setopt(curl, CURLOPT_TIMEOUT, 0L);
    result |= curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    result |= curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CMTCurlDownloader::WritePart);
    result |= curl_easy_setopt(curl, CURLOPT_WRITEDATA, part);
    result |= curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    result |= curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    result |= curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::OnProgress);
    result |= curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    result |= curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    result |= curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    result |= platform::SetTransportSecurity(curl, part->url);
    result |= m_sockets.Attach(curl);
    result |= curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    result |= curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, m_stallSeconds);
    result |= curl_easy_setopt(curl, CURLOPT_RANGE, range);
    if (result != 0) {
        part->state = result;
        return result;
    }
    part->requested = part->start;
    part->answer = DownloadPartNode::Answer::kUnchecked;
    result = curl_easy_perform(curl);
    using Answer = DownloadPartNode::Answer;
    if (part->answer == Answer::kWrongOffset || part->answer == Answer::kWholeAfterResume) {
        result = CURLE_RANGE_ERROR;
    } else if (result == CURLE_WRITE_ERROR && part->answer == Answer::kAccepted && part->start > part->end) {
        // A server that ignored the range sent more than it: the range is whole all the same.
        result = CURLE_OK;
    } else if (result == CURLE_OK && part->start <= part->end) {
        // A server may answer with less than the range asked; the next attempt asks for the rest.
        result = CURLE_PARTIAL_FILE;
    }
    if (result != CURLE_OK) {
        DEBUG_LOG_AT(L"CMTCurlDownloader::downloadExe", __LINE__, L"error:%d:%hs", result,
                     curl_easy_strerror(static_cast<CURLcode>(result)));
    } else {
        DEBUG_LOG_AT(L"CMTCurlDownloader::downloadExe", __LINE__, L"curl_easy_cleanup");
    }
    // The handle's connection cache survives the reset for the next attempt.
    curl_easy_reset(curl);
    if (result == CURLE_OK && part->file) {
        // Buffered bytes reach the disk only here; losing them must not pass for a whole part.
        if (std::fclose(part->file) != 0) result = CURLE_WRITE_ERROR;
        part->file = nullptr;
    }
    // A failed attempt goes on from what reached the disk, not from what its buffer counted.
    // A server that answered a resumed part with the whole file will not resume it later
    // either: the part starts again from its first byte.
    if (result != CURLE_OK && !ReopenPart(part, part->answer == Answer::kWholeAfterResume)) result = kPartFileFailure;
    part->state = result;
    return result;
}

bool CMTCurlDownloader::ReopenPart(DownloadPartNode* part, bool restart) {
    if (part->file) std::fclose(part->file);
    part->file = nullptr;
    const std::wstring path = PartPath(static_cast<int>(part->index));
    if (restart) platform::RemoveFile(path);
    const std::int64_t length = static_cast<std::int64_t>(part->end) - part->first + 1;
    const std::int64_t kept = std::min<std::int64_t>(static_cast<std::int64_t>(platform::FileSize(path).value_or(0)), length);
    part->downloaded = kept;
    part->start = part->first + static_cast<std::int32_t>(kept);
    part->file = platform::OpenFileForAppend(platform::PathFromNative(part->path));
    if (!part->file) return false;
    SetFileBuffer(*part);
    return true;
}

std::size_t CMTCurlDownloader::WritePart(char* data, std::size_t size, std::size_t count, void* userData) {
    auto* part = static_cast<DownloadPartNode*>(userData);
    if (!part || !part->file) return 0;
    if (part->answer == DownloadPartNode::Answer::kUnchecked) part->answer = JudgeAnswer(*part);
    if (part->answer != DownloadPartNode::Answer::kAccepted) return 0;
    if (part->start > part->end) return 0;
    const std::size_t n = size * count;
    const std::int64_t room = static_cast<std::int64_t>(part->end) - part->start + 1;
    const std::size_t wanted = static_cast<std::int64_t>(n) > room ? static_cast<std::size_t>(room) : n;
    const std::size_t written = std::fwrite(data, 1, wanted, part->file);
    part->start += static_cast<std::int32_t>(written);
    part->downloaded += static_cast<std::int64_t>(written);
    return written;
}

CMTCurlDownloader::DownloadPartNode::Answer CMTCurlDownloader::JudgeAnswer(const DownloadPartNode& part) {
    using Answer = DownloadPartNode::Answer;
    long status = 0;
    curl_easy_getinfo(part.curl, CURLINFO_RESPONSE_CODE, &status);
    if (status == 206) {
        // Bytes from elsewhere in the file must never be written at this offset.
        curl_header* header = nullptr;
        if (curl_easy_header(part.curl, "Content-Range", 0, CURLH_HEADER, -1, &header) != CURLHE_OK)
            return Answer::kWrongOffset;
        const std::optional<http_headers::ContentRange> range = http_headers::ParseContentRange(header->value);
        return range && range->first == static_cast<std::uint64_t>(part.requested) ? Answer::kAccepted
                                                                                    : Answer::kWrongOffset;
    }
    // A server that ignored the range sends the file from its first byte, which belongs at the
    // part's offset only when the range began at 0.
    if (part.requested == 0) return Answer::kAccepted;
    return part.first == 0 ? Answer::kWholeAfterResume : Answer::kWholeNotOurs;
}

int CMTCurlDownloader::OnProgress(void* userData, std::int64_t, std::int64_t, std::int64_t, std::int64_t) {
    auto* self = static_cast<CMTCurlDownloader*>(userData);
    // Non-zero aborts the transfer: the downloader is being destroyed.
    if (self->m_reports.IsClosed()) return 1;
    std::lock_guard<std::mutex> lock(self->m_mutex);
    const std::int64_t now = self->m_clockSeconds();
    if (now <= self->m_lastTick) return 0;
    self->m_lastTick = now;
    double percent = 0.0;
    if (self->m_fileLength >= kMinKnownLength) {
        for (const auto& part : self->m_parts) {
            const std::int64_t downloaded = part->downloaded;
            if (downloaded > 0) percent += static_cast<double>(downloaded) * 100.0 / self->m_fileLength;
        }
        if (percent > 100.0) return 0;
    }
    if (percent - self->m_lastPercent >= 1.0) {
        self->m_lastPercent = percent;
        self->Report(DL_CODE_PROGRESS, percent / 100.0, L"");
    }
    return 0;
}

void CMTCurlDownloader::waitForFinishThreadFun(CMTCurlDownloader* downloader) { downloader->FinishRun(); }

void CMTCurlDownloader::FinishRun() {
    while (m_runningParts > 0) platform::SleepMilliseconds(kJoinPollMilliseconds);
    // Owned here from now on: a restart asked below starts a run that follows its own parts.
    const std::unique_ptr<Utils::FileDigestFollower> follower = std::move(m_follower);
    if (m_reports.IsClosed()) {
        ClearParts();
        return;
    }
    std::int32_t err = 0;
    for (const auto& part : m_parts) {
        if (part->state != 0) {
            err = part->state;
            break;
        }
    }
    if (err == 0) {
        m_lastPercent = 0.0;
        if (!MergeParts()) err = kPartFileFailure;
    }
    if (err == 0) {
        const DigestCheck check =
            CheckPackageDigest(L"mtcurl", m_expectedMd5, follower.get(), m_filePath, &m_reports.ClosedFlag());
        m_checkedDigest = check.digest;
        if (!check.note.empty()) Report(DL_CODE_MD5, 0.0, check.note.c_str());
        if (check.verdict == DigestCheck::Verdict::kRefuted) {
            platform::RemoveFile(m_filePath);
            ClearParts();
            if (m_retried) {
                DEBUG_LOG_AT(L"CMTCurlDownloader::waitForFinishThreadFun", __LINE__,
                             L"finish recv, md5 chaek failed and retry failed.");
                Report(DL_CODE_FAIL, 0.0, kReportText);
            } else {
                m_retried = true;
                DEBUG_LOG_AT(L"CMTCurlDownloader::waitForFinishThreadFun", __LINE__,
                             L"finish recv, md5 chaek failed retry once.");
                Report(DL_CODE_RETRY, 0.0, kReportText);
            }
            return;
        }
        DEBUG_LOG_AT(L"CMTCurlDownloader::waitForFinishThreadFun", __LINE__, L"finish recv");
        ClearParts();
        Report(DL_CODE_SUCCESS, 0.0, kReportText);
        return;
    }
    ClearParts();
    // Without progress worth keeping, the restart fetches everything anew.
    if (m_lastPercent == 0.0) DeletePartFiles();
    if (m_retried) {
        m_lastPercent = 0.0;
        Report(DL_CODE_FAIL, static_cast<double>(err), kReportText);
    } else {
        m_retried = true;
        Report(DL_CODE_RETRY, static_cast<double>(err), kReportText);
    }
}

bool CMTCurlDownloader::MergeParts() {
    if (m_parts.empty()) return false;
    const std::wstring merged = PartPath(0);
    bool ok = platform::IsRegularFile(merged);
    for (std::size_t i = 1; i < m_parts.size() && ok; ++i) {
        ok = platform::AppendFileContent(PartPath(static_cast<int>(i)), merged);
        DEBUG_LOG_AT(L"CMTCurlDownloader::waitForFinishThreadFun", __LINE__, L"partPath::%hs",
                     m_parts[i]->path.c_str());
    }
    // A part that went missing or was cut short must not be taken for the whole file.
    if (ok && platform::FileSize(merged).value_or(0) != static_cast<std::uint64_t>(m_fileLength)) ok = false;
    if (ok) ok = platform::RenameFile(merged, m_filePath);
    DeletePartFiles();
    return ok;
}

void CMTCurlDownloader::ClearParts() {
    for (auto& part : m_parts) {
        if (part->curl) curl_easy_cleanup(part->curl);
        if (part->file) std::fclose(part->file);
    }
    m_parts.clear();
}
