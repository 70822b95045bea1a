#pragma once
// The downloader over WinHttpClient. It reports like the libcurl downloaders (start, progress,
// success or failure, the same digest check and one restart after a mismatch), fetches into a
// part file that a later attempt resumes, and puts the package in place only when complete.
#include <cstdint>
#include <memory>
#include <string>

#include "download/downloader.h"
#include "download/report_gate.h"
#include "download/restartable_worker.h"
#include "utils/status_callback.h"

class WinHttpClient;

class WinHttpDownloader : public CDownloader {
public:
    static constexpr const wchar_t* kReportText = L"WinHttp";

    // Codes of our own for answers the HTTP layer does not count as errors.
    static constexpr long kIncompleteBody = 18;  // the body ended early (as libcurl's partial file)
    static constexpr long kRangeIgnored = -995;  // a resumption answered with the whole file
    static constexpr long kWrongOffset = -994;   // a part that does not continue the part file

    WinHttpDownloader(StatusCallback callback, const std::wstring& url, const std::wstring& filePath);
    // Stops the request and waits for the worker; nothing is reported once it has begun.
    ~WinHttpDownloader() override;

    void Start() override;

private:
    static void DownloadThread(void* argument);
    void Run();
    void Report(std::int32_t code, double value, const wchar_t* text) { m_reports.Report(code, value, text); }
    // One request; 0 when the part file is complete, else the cost-bearing failure code.
    // `dropped` tells that the part file was thrown away and the next request starts anew.
    long FetchOnce(bool& dropped);
    // Whether the answer continues the part file of that size: 0, or the code to fail with.
    // `total` receives the length the whole package must have, 0 when the answer does not say.
    static long JudgeAnswer(const WinHttpClient& client, std::uint64_t offset, std::uint64_t& total);
    std::wstring PartPath() const { return PartFilePath(m_filePath); }

    ReportGate m_reports;
    std::wstring m_filePath;
    std::wstring m_url;
    bool m_md5Retried = false;
    std::wstring m_resolvedUrl;
    double m_lastFraction = -1;
    // Last, so that it is stopped (by the destructor) before anything its worker uses goes.
    RestartableWorker m_worker;
};
