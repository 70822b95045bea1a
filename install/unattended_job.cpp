#include "install/unattended_job.h"

#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

#include "install/download_installer.h"
#include "utils/text.h"

namespace {

// The reports after which the job does nothing more: 0 for success, 1 for failure, -1 otherwise.
int ExitCodeAfter(std::int32_t code) {
    switch (code) {
        case 2003:
            return 0;
        case 2004:
        case 1004:
        case 5004:
        case 5005:
            return 1;
        default:
            return -1;
    }
}

}  // namespace

int RunUnattendedJob(CInstallRecords& records, const UnattendedJob& job, const StatusCallback& receiver) {
    records.SetInstallPath(job.installDir);
    // Reports come on the job's workers: one at a time reaches the receiver and the records, and
    // the first one that ends the job decides the answer.
    std::mutex mutex;
    std::condition_variable ended;
    int exitCode = -1;
    auto callback = [&](std::int32_t code, double value, const wchar_t* text) {
        std::lock_guard<std::mutex> lock(mutex);
        if (receiver) receiver(code, value, text ? text : L"");
        records.OnPackageValue(code, value, text ? text : L"");
        if (code == 2001) records.WriteSetIni();
        if (code == 2003) records.OnInstallSucceeded(nullptr);
        const int after = ExitCodeAfter(code);
        if (after >= 0 && exitCode < 0) {
            exitCode = after;
            ended.notify_all();
        }
    };
    auto installer = std::make_unique<CDownloadInstaller>(callback, L"", L"", L"", true, true, true);
    installer->SetParams(job.downloadUrl, job.previousInstallDir, job.oldUninstaller, job.installDir,
                         job.desktopShortcut, job.quickLaunchShortcut, records.ConsoleUserIsAdmin(),
                         records.ProcessIsAdmin(), job.installLanguage);
    installer->Start();
    {
        std::unique_lock<std::mutex> lock(mutex);
        ended.wait(lock, [&] { return exitCode >= 0; });
    }
    installer.reset();
    return exitCode;
}

void PrintStatusLine(std::int32_t code, double value, const wchar_t* text) {
    std::printf("%d %g %s\n", code, value, Utils::WideToUtf8(text ? text : L"").c_str());
    std::fflush(stdout);
}
