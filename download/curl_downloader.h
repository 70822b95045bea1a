#pragma once
// The single-stream downloader: one resumable CurlClient driven on a worker with a retry
// budget, then the package checked against the digest its URL carries.
#include <memory>
#include <string>

#include "download/curl_client.h"
#include "download/downloader.h"
#include "download/report_gate.h"
#include "download/restartable_worker.h"
#include "utils/status_callback.h"

class CCurlDownloader : public CDownloader {
public:
    static constexpr const wchar_t* kReportText = L"LibCurl";

    CCurlDownloader(StatusCallback callback, const std::wstring& url, const std::wstring& filePath);
    // Stops the transfer and waits for the worker; nothing is reported once it has begun.
    ~CCurlDownloader() override;

    void Start() override;

    // The client's progress relay: owner is the downloader.
    static void OnProgress(void* owner, double speed, double reserved, double percent);

private:
    static void dlThreadFun(void* argument);
    void Run();
    void Report(std::int32_t code, double value, const wchar_t* text) { m_reports.Report(code, value, text); }

    ReportGate m_reports;
    std::wstring m_filePath;
    std::wstring m_url;
    CurlClient m_client;
    bool m_md5Retried = false;
    // Last, so that it is stopped (by the destructor) before anything its worker uses goes.
    RestartableWorker m_worker;
};
