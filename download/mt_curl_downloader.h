#pragma once
// The two-part downloader: one probe for the final address and the length, then at most two byte
// ranges fetched in parallel into "_0" and "_1" part files over libcurl, joined, checked against
// the digest in the address. A restart resumes the parts from what is already on disk.
//
// Threads: Start runs Start_Down on a worker; that worker starts one thread per pending part and
// one joining thread, which reports the end of the run. Every one of them is owned here and
// joined by the next Start or by the destructor, never by itself: a run restarted from the
// joining thread's own report leaves that thread to be joined later.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/downloader.h"
#include "download/report_gate.h"
#include "platform/curl_transfer.h"
#include "utils/status_callback.h"
#include "utils/thread.h"

typedef void CURL;

namespace Utils {
class FileDigestFollower;
}

class CMTCurlDownloader : public CDownloader {
public:
    static constexpr const wchar_t* kReportText = L"LibCurl";

    struct DownloadPartNode {
        std::vector<char> fileBuffer;  // the stdio buffer of file; outlives every fclose
        std::FILE* file = nullptr;
        std::int32_t start = 0;  // absolute offset of the next byte to fetch
        std::int32_t end = 0;    // absolute offset of the range's last byte
        CURL* curl = nullptr;
        std::string url;
        std::string path;
        // 0 complete; -1 pending or running; -2 part file cannot be opened; else a CURLcode.
        std::int32_t state = -1;
        std::atomic<std::int64_t> downloaded{0};
        std::int32_t requested = 0;  // where the current attempt's range begins
        std::size_t index = 0;       // its number: "_0", "_1"
        std::int32_t first = 0;      // absolute offset of the range's first byte
        // What the current attempt's answer is, judged at its first body byte.
        enum class Answer { kUnchecked, kAccepted, kWrongOffset, kWholeAfterResume, kWholeNotOurs };
        Answer answer = Answer::kUnchecked;
    };

    // Inclusive byte range of one part.
    struct PartRange {
        std::int32_t first;
        std::int32_t last;
    };
    // One part below 20,971,520 bytes, two from there on; the last part takes the remainder.
    static std::vector<PartRange> SplitIntoParts(std::int32_t fileLength);

    CMTCurlDownloader(StatusCallback callback, const std::wstring& url, const std::wstring& filePath);
    // Stops every transfer and waits for all threads of the run; nothing is reported after it.
    ~CMTCurlDownloader() override;
    CMTCurlDownloader(const CMTCurlDownloader&) = delete;
    CMTCurlDownloader& operator=(const CMTCurlDownloader&) = delete;

    void Start() override;

    // For tests, before Start: a shorter stall limit, and the clock (whole seconds) that paces
    // progress reports.
    void SetStallSeconds(long seconds) { m_stallSeconds = seconds; }
    void SetProgressClock(std::function<std::int64_t()> clock) { m_clockSeconds = std::move(clock); }

private:
    static void Start_Down(void* downloader);
    bool getRealDownloadUrl(const std::string& probeUrl);
    static void downloadThreadFun(CMTCurlDownloader* downloader, DownloadPartNode* part);
    int downloadExe(DownloadPartNode* part);
    static void waitForFinishThreadFun(CMTCurlDownloader* downloader);
    static std::size_t WritePart(char* data, std::size_t size, std::size_t count, void* part);
    // Whether the bytes of this answer belong at the part's offset.
    static DownloadPartNode::Answer JudgeAnswer(const DownloadPartNode& part);
    // After a failed attempt: the part goes on from the bytes that reached its file, or from the
    // range's start when `restart` (the file is dropped). False when the file cannot be reopened.
    bool ReopenPart(DownloadPartNode* part, bool restart);
    static int OnProgress(void* downloader, std::int64_t, std::int64_t, std::int64_t, std::int64_t);
    void ClearParts();

    void RunDown();
    void FinishRun();
    // Appends part files 1.. to part file 0 and puts the result in place; false on any failure.
    bool MergeParts();
    // Starts an owned thread unless the downloader is being destroyed.
    bool Launch(const std::wstring& name, std::function<void()> body);
    void Report(std::int32_t code, double value, const wchar_t* text) { m_reports.Report(code, value, text); }
    std::wstring PartPath(int index) const;
    void DeletePartFiles();
    // Tells the digest follower, if any, that a part file is whole: nothing more of its own
    // will be appended to it.
    void SealPart(std::size_t index);

    std::vector<std::unique_ptr<DownloadPartNode>> m_parts;
    ReportGate m_reports;
    std::wstring m_filePath;
    std::wstring m_url;
    std::string m_realUrl;
    std::int32_t m_fileLength = -1;
    std::string m_expectedMd5;
    double m_lastPercent = 0.0;
    std::atomic<std::int32_t> m_runningParts{0};
    std::mutex m_mutex;
    std::int64_t m_lastTick = 0;
    bool m_retried = false;

    // Every thread of the current and the previous run; guarded by m_threadMutex.
    std::vector<std::unique_ptr<Utils::Thread>> m_threads;
    std::mutex m_threadMutex;
    long m_stallSeconds = 5;
    std::function<std::int64_t()> m_clockSeconds;
    // The sockets of the probe and of every part, shut down by the destructor.
    platform::TransferSockets m_sockets;
    // Created by the worker before the part threads start, taken over by the joining thread.
    std::unique_ptr<Utils::FileDigestFollower> m_follower;
};
