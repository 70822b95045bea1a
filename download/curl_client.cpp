#include "download/curl_client.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "download/curl_downloader.h"
#include "download/curl_setup.h"
#include "platform/file_system.h"
#include "utils/debug_log.h"
#include "utils/text.h"

namespace {

std::atomic<long> g_connectTimeoutSeconds{60};
std::atomic<long> g_stallSeconds{30};
// Beyond this, a chain of redirects is a loop, not a mirror.
constexpr long kMaxRedirects = 30;
constexpr std::size_t kMaxErrorTextChars = 200;
// libcurl's 16 KiB default costs a read and a write call per 16 KiB of a large package; half a
// MiB per transfer keeps the worker off the system-call path without weighing on memory.
constexpr long kReceiveBufferBytes = 512 * 1024;
// libcurl hands the body over in 16 KiB pieces whatever its receive buffer, and the default
// stdio buffer turns each piece into two writes.
constexpr std::size_t kFileBufferBytes = 256 * 1024;

std::size_t WriteToFile(char* data, std::size_t size, std::size_t count, void* file) {
    if (!file) return 0;
    return std::fwrite(data, 1, size * count, static_cast<std::FILE*>(file));
}

// Lets the owner's stop flag end a probe too: a server that accepts and never answers would
// otherwise hold the worker until the stall limit.
int ProbeProgress(void* client, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<CurlClient*>(client)->m_stop ? 1 : 0;
}

// Settings every request shares besides the ones its own steps name: the stall limit (below
// 1 byte/s for the stall time ends the transfer with code 28), the redirect bound, the stop flag
// and the transport security of both libcurl engines.
CURLcode SetGuards(CURL* handle, const std::string& url, CurlClient* client, bool probe) {
    const CurlClient::Limits limits = CurlClient::GetLimits();
    int result = platform::SetTransportSecurity(handle, url);
    result |= client->m_sockets.Attach(handle);
    result |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    result |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
    result |= curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
    if (probe) {
        result |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
        result |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &ProbeProgress);
        result |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, client);
    }
    return static_cast<CURLcode>(result);
}

void LogResult(const wchar_t* function, int line, int result) {
    DEBUG_LOG_AT(function, line, L"error:%d:%hs", result,
                 curl_easy_strerror(static_cast<CURLcode>(result)));
}

}  // namespace

void CurlClient::SetLimits(const Limits& limits) {
    g_connectTimeoutSeconds = limits.connectTimeoutSeconds;
    g_stallSeconds = limits.stallSeconds;
}

CurlClient::Limits CurlClient::GetLimits() {
    return Limits{g_connectTimeoutSeconds.load(), g_stallSeconds.load()};
}

CurlClient::CurlClient(const std::wstring& url, const std::wstring& filePath, void* owner)
    : m_url(url), m_filePath(filePath), m_owner(owner), m_progressFn(&CCurlDownloader::OnProgress) {
    platform::InitialiseCurl();
}

CurlClient::~CurlClient() {
    Stop();
    if (!m_filePath.empty()) platform::RemoveFile(GetFilePath(true));
}

void CurlClient::Stop() {
    m_stop = true;
    m_sockets.ShutdownAll();
}

std::string CurlClient::RequestUrl() const { return Utils::WideToUtf8(m_url); }

int CurlClient::Start() {
    DEBUG_LOG_AT(L"CurlClient::Start", __LINE__, L"start download");
    const std::wstring partPath = GetFilePath(true);
    const std::string requestUrl = RequestUrl();
    int result = 0;
    std::vector<char> fileBuffer;  // outlives the file, which is closed below
    std::FILE* file = nullptr;
    curl_slist* headers = nullptr;

    if (m_realUrl.empty() || m_fileLength < kLengthThreshold) {
        CURL* probe = Head(requestUrl);
        m_realUrl = GetRealUrl(probe);
        m_fileLength = GetDownloadFileLength(probe);
        if (probe) curl_easy_cleanup(probe);
    }
    if (m_realUrl.empty() || m_fileLength < kLengthThreshold) {
        m_realUrl = GetRealUrl_Str(requestUrl);
        if (!m_realUrl.empty()) m_fileLength = GetDownloadFileLength_Str(m_realUrl);
        if (m_fileLength < kLengthThreshold) result = kLengthUnknown;
    }

    if (result == 0) {
        m_curl = curl_easy_init();
        if (!m_curl) result = kNoHandle;
    }
    if (result == 0) {
        file = platform::OpenFileForAppend(partPath);
        if (!file) {
            m_errorText = Utils::MultiByteToWide(std::strerror(errno), Utils::kAnsiCodePage)
                              .substr(0, kMaxErrorTextChars);
            DEBUG_LOG_AT(L"CurlClient::Start", __LINE__, L"open part file: %s", m_errorText.c_str());
            result = kPartFileNotOpened;
        } else {
            fileBuffer.resize(kFileBufferBytes);
            std::setvbuf(file, fileBuffer.data(), _IOFBF, fileBuffer.size());
        }
    }
    if (result == 0) {
        headers = curl_slist_append(headers, "Connection: keep-alive");
        headers = curl_slist_append(headers, "Accept-Encoding: gzip, deflate");
        curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(m_curl, CURLOPT_TCP_KEEPALIVE, 1L);
        curl_easy_setopt(m_curl, CURLOPT_TCP_KEEPIDLE, 10L);
        curl_easy_setopt(m_curl, CURLOPT_TCP_KEEPINTVL, 10L);
        curl_easy_setopt(m_curl, CURLOPT_TIMEOUT, 0L);
        int options = curl_easy_setopt(m_curl, CURLOPT_URL, m_realUrl.c_str());
        options |= curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 1L);
        options |= curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &WriteToFile);
        options |= curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, file);
        options |= curl_easy_setopt(m_curl, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
        options |= curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
        options |= curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback);
        options |= curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this);
        options |= curl_easy_setopt(m_curl, CURLOPT_FAILONERROR, 1L);
        options |= curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, GetLimits().connectTimeoutSeconds);
        options |= SetGuards(m_curl, m_realUrl, this, false);

        const std::optional<std::uint64_t> size = platform::FileSize(partPath);
        m_resumeOffset = size ? static_cast<std::int64_t>(*size) : -1;
        if (static_cast<double>(m_resumeOffset) > 1e-10)
            options |= curl_easy_setopt(m_curl, CURLOPT_RESUME_FROM_LARGE,
                                        static_cast<curl_off_t>(m_resumeOffset));
        // A server that answers the resumed request with the whole body (200) is refused by
        // libcurl with code 33 before a byte is written, so the part file is never doubled.
        result = options != 0 ? options : curl_easy_perform(m_curl);
    }
    // That server will not resume this part file on any later call either: it goes, and the
    // next call fetches the package from its start.
    const bool dropPart = result == CURLE_RANGE_ERROR && m_resumeOffset > 0;

    LogResult(L"CurlClient::Start", __LINE__, result);
    if (m_curl) {
        curl_easy_cleanup(m_curl);
        m_curl = nullptr;
    }
    curl_slist_free_all(headers);
    // Buffered bytes reach the disk only here; losing them must not pass for success.
    if (file && std::fclose(file) != 0 && result == 0) result = CURLE_WRITE_ERROR;
    if (result == 0 && !platform::RenameFile(partPath, m_filePath)) result = CURLE_WRITE_ERROR;
    if (dropPart) platform::RemoveFile(partPath);
    DEBUG_LOG_AT(L"CurlClient::Start", __LINE__, L"end download");
    return result;
}

CURL* CurlClient::Head(const std::string& url) {
    CURL* handle = curl_easy_init();
    if (!handle) return nullptr;
    int result = curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    result |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    result |= curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    result |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &curl_setup::DiscardBody);
    result |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, GetLimits().connectTimeoutSeconds);
    result |= SetGuards(handle, url, this, true);
    if (result == CURLE_OK) {
        result = curl_easy_perform(handle);
        if (result != CURLE_OK) LogResult(L"CurlClient::Head", __LINE__, result);
    }
    LogResult(L"CurlClient::Head", __LINE__, result);
    return handle;
}

std::string CurlClient::GetRealUrl(CURL* handle) {
    char* url = nullptr;
    if (!handle || curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || !url) return {};
    return url;
}

double CurlClient::GetDownloadFileLength(CURL* handle) {
    if (!handle) return -1.0;
    curl_off_t length = -1;
    const CURLcode query = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    LogResult(L"CurlClient::GetDownloadFileLength", __LINE__, query);
    long status = 0;
    if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) return -1.0;
    if (status < 200 || status > 399) return -1.0;
    return query == CURLE_OK && length >= 0 ? static_cast<double>(length) : -1.0;
}

std::string CurlClient::GetRealUrl_Str(const std::string& url) {
    std::string effective;
    CURL* handle = curl_easy_init();
    if (!handle) return url;
    int result = curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    result |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    result |= curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    result |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &curl_setup::DiscardBody);
    result |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, GetLimits().connectTimeoutSeconds);
    result |= SetGuards(handle, url, this, true);
    if (result == CURLE_OK) result = curl_easy_perform(handle);
    if (result != CURLE_OK)
        LogResult(L"CurlClient::GetRealUrl_Str", __LINE__, result);
    else
        effective = GetRealUrl(handle);
    curl_easy_cleanup(handle);
    return effective.empty() ? url : effective;
}

double CurlClient::GetDownloadFileLength_Str(const std::string& url) {
    double length = -1.0;
    CURL* handle = curl_easy_init();
    if (!handle) return length;
    int result = curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    result |= curl_easy_setopt(handle, CURLOPT_HEADER, 1L);
    result |= curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    result |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &curl_setup::DiscardBody);
    result |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, GetLimits().connectTimeoutSeconds);
    result |= SetGuards(handle, url, this, true);
    if (result == CURLE_OK) {
        curl_easy_perform(handle);
        curl_off_t reported = -1;
        if (curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &reported) == CURLE_OK &&
            reported >= 0)
            length = static_cast<double>(reported);
        long status = 0;
        const CURLcode query = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        // The status is not judged here: a local "file:///" URL has none.
        LogResult(L"CurlClient::GetDownloadFileLength_Str", __LINE__, query);
    }
    curl_easy_cleanup(handle);
    return length;
}

int CurlClient::ProgressCallback(void* clientPointer, curl_off_t dltotal, curl_off_t dlnow, curl_off_t,
                                 curl_off_t) {
    auto* client = static_cast<CurlClient*>(clientPointer);
    if (client->m_stop) return 1;
    const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    if (now <= client->m_lastProgressTime) return 0;
    client->m_lastProgressTime = now;

    curl_off_t speedReported = 0;
    const double speed =
        curl_easy_getinfo(client->m_curl, CURLINFO_SPEED_DOWNLOAD_T, &speedReported) == CURLE_OK
            ? static_cast<double>(speedReported)
            : 0.0;
    double percent = 0.0;
    if (client->m_fileLength > kLengthThreshold) {
        percent = (static_cast<double>(dlnow) + static_cast<double>(client->m_resumeOffset)) /
                  client->m_fileLength * 100.0;
    } else {
        if (dlnow <= 0 || dltotal <= 0) return 0;
        percent = static_cast<double>(dlnow) * 100.0 / static_cast<double>(dltotal);
    }
    if (percent == 0.0) return 0;
    if (client->m_progressFn) client->m_progressFn(client->m_owner, speed, 0.0, percent);
    if (dltotal != 0)
        DEBUG_LOG_AT(L"CurlClient::ProgressCallback", __LINE__, L" %dM %dM   progress:%f%%  speed:%f \n",
                     static_cast<int>(dlnow / 1048576), static_cast<int>(dltotal / 1048576),
                     static_cast<double>(static_cast<float>(percent)),
                     static_cast<double>(static_cast<float>(speed / 1024)));
    return 0;
}
