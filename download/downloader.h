#pragma once
// The one interface the installation job fetches its package through, and the report codes every
// downloader speaks. A worker ends with exactly one of DL_CODE_SUCCESS, DL_CODE_FAIL or
// DL_CODE_RETRY; DL_CODE_RETRY asks the owner to call Start again, which it does from inside that
// report, on the worker that sent it.
#include <cstdint>
#include <string>

enum DownloaderCode : std::int32_t {
    DL_CODE_START = 1001,     // 1.0, ""
    DL_CODE_PROGRESS = 1002,  // fraction done, 0.0 to 1.0
    DL_CODE_SUCCESS = 1003,   // 0.0, the engine's name
    DL_CODE_FAIL = 1004,      // the failing result code
    DL_CODE_RETRY = 1005,     // 0.0 or the failing code
    DL_CODE_MD5 = 1006,       // 0.0, a digest diagnostic; always followed by another code
};

// What the engines keep beside a package while it arrives: "<package>.part" (the single-stream
// and WinHTTP engines), "<package>_<i>" for each of the two-part engine's parts.
constexpr int kMaxDownloadParts = 2;
inline std::wstring PartFilePath(const std::wstring& package) { return package + L".part"; }
inline std::wstring PartFilePath(const std::wstring& package, int index) {
    return package + L"_" + std::to_wstring(index);
}

class CDownloader {
public:
    virtual ~CDownloader() = default;
    // Starts or restarts the download on a new worker and returns at once. Called from the worker
    // itself (in answer to DL_CODE_RETRY) it must not wait for that worker.
    virtual void Start() = 0;
    // The digest the finished package matched (lower-case hexadecimal digits), for whoever runs
    // it to check again; empty when its address carried none. Valid from DL_CODE_SUCCESS on, read
    // on the worker that reported it.
    const std::string& CheckedDigest() const { return m_checkedDigest; }

protected:
    std::string m_checkedDigest;
};
