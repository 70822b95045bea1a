#pragma once
// One URL into one local file over libcurl's easy interface. The body goes to "<file>.part",
// which a later call resumes from, and becomes the file only when the transfer succeeded. Probes
// resolve the final URL and the length first; a length below 1 MiB counts as unknown.
#include <atomic>
#include <cstdint>
#include <string>

#include <curl/curl.h>

#include "download/downloader.h"
#include "platform/curl_transfer.h"

class CurlClient {
public:
    using ProgressFunction = void (*)(void* owner, double speed, double reserved, double percent);

    // Results of Start besides 0 and libcurl's own codes.
    static constexpr int kLengthUnknown = -998;
    static constexpr int kNoHandle = -997;
    static constexpr int kPartFileNotOpened = -996;
    static constexpr double kLengthThreshold = 1048576.0;

    // Waits that tests shorten: the connect limit and how long a transfer may stay below
    // 1 byte/s before it ends with code 28.
    struct Limits {
        long connectTimeoutSeconds = 60;
        long stallSeconds = 30;
    };
    static void SetLimits(const Limits& limits);
    static Limits GetLimits();

    // The owner is the CCurlDownloader whose progress relay receives the reports.
    CurlClient(const std::wstring& url, const std::wstring& filePath, void* owner);
    ~CurlClient();
    CurlClient(const CurlClient&) = delete;
    CurlClient& operator=(const CurlClient&) = delete;

    // The whole download: 0, a libcurl code, or one of the codes above.
    int Start();
    // From another thread: ends the probe or transfer under way at once, and every later one.
    void Stop();

    // Probes. Head returns its handle (null when none could be made) for the two queries after
    // it; the caller cleans it up.
    CURL* Head(const std::string& url);
    std::string GetRealUrl(CURL* handle);
    double GetDownloadFileLength(CURL* handle);
    std::string GetRealUrl_Str(const std::string& url);
    double GetDownloadFileLength_Str(const std::string& url);

    std::wstring GetFilePath(bool part) const { return part ? PartFilePath(m_filePath) : m_filePath; }

    static int ProgressCallback(void* client, curl_off_t dltotal, curl_off_t dlnow,
                                curl_off_t ultotal, curl_off_t ulnow);

    // The state below is read by the owner between calls and by tests; only the owner's worker
    // writes it, except m_stop.
    std::wstring m_url;
    std::wstring m_filePath;
    void* m_owner;
    CURL* m_curl = nullptr;
    ProgressFunction m_progressFn;
    double m_fileLength = -1.0;
    std::int64_t m_resumeOffset = -1;
    std::int64_t m_lastProgressTime = 0;
    std::atomic<bool> m_stop{false};
    std::wstring m_errorText;
    std::string m_realUrl;
    // Every request's sockets, so that Stop need not wait for libcurl's next progress call.
    platform::TransferSockets m_sockets;

private:
    // The request URL: UTF-8, or the system code page for a local "file:///" URL.
    std::string RequestUrl() const;
};
