// install: the whole installation job as the main window runs it (SetParams, then Start), with
// every report printed as it arrives, and the installation records read and written at the
// window's points.
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "app/installer_settings.h"
#include "commands.h"
#include "install/download_installer.h"
#include "install/install_records.h"
#include "platform/file_system.h"
#include "utils/system_info.h"
#include "utils/text.h"

namespace {

constexpr const char* kUsage =
    "install --url URL [--dir DIR] [--engine N] [--uninstaller PATH] [--insnew]";

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

// The package and the uninstaller are started with these paths: make them independent of the
// folder the tool was started in.
std::wstring AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return Utils::Utf8ToWide(error ? path : absolute.lexically_normal().string());
}

}  // namespace

int RunInstall(const Arguments& arguments) {
    std::string url;
    std::string dir;
    std::string uninstaller;
    InstallerSettings& settings = InstallerSettings::Instance();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (name == "--url" && hasValue) {
            url = arguments[++i];
        } else if (name == "--dir" && hasValue) {
            dir = arguments[++i];
        } else if (name == "--uninstaller" && hasValue) {
            uninstaller = arguments[++i];
        } else if (name == "--engine" && hasValue) {
            char* end = nullptr;
            const long engine = std::strtol(arguments[++i].c_str(), &end, 10);
            if (*end != '\0' || end == arguments[i].c_str()) return UsageError(kUsage);
            settings.DownloadType = static_cast<int>(engine);
        } else if (name == "--insnew") {
            settings.InsNew = true;
        } else {
            return UsageError(kUsage);
        }
    }
    if (url.empty()) return UsageError(kUsage);

    CInstallRecords records;
    records.ReadInstallRecord();
    const std::wstring defaultPath = records.GetDefaultInstallPath();  // also the administrator flags
    const std::wstring installDir = dir.empty() ? defaultPath : AbsolutePath(dir);

    // Reports come on the job's workers; one at a time reaches the terminal (and the records),
    // and the first one that ends the job decides the exit code.
    std::mutex mutex;
    std::condition_variable ended;
    int exitCode = -1;
    auto callback = [&](std::int32_t code, double value, const wchar_t* text) {
        std::lock_guard<std::mutex> lock(mutex);
        PrintReport(code, value, text);
        records.OnPackageValue(code, value, text ? text : L"");
        if (code == 2001) records.WriteSetIni();
        if (code == 2003) records.OnInstallSucceeded(nullptr);
        const int after = ExitCodeAfter(code);
        if (after >= 0 && exitCode < 0) {
            exitCode = after;
            ended.notify_all();
        }
    };

    settings.SetDownloadUrl(Utils::Utf8ToWide(url));
    // The earlier version's uninstaller goes first unless its set.ini keeps it; --uninstaller
    // names another one.
    const std::wstring oldUninstaller =
        uninstaller.empty() ? records.UninstallEntryFor(installDir) : AbsolutePath(uninstaller);
    const std::wstring previousInstallDir =
        uninstaller.empty() ? records.PreviousInstallPath() : platform::ParentPath(oldUninstaller);
    if (!CInstallRecords::CreateInstallFolder(installDir)) {
        std::fprintf(stderr, "kelvo-cli: cannot create %s\n", Utils::WideToUtf8(installDir).c_str());
        return 1;
    }
    records.SetInstallPath(installDir);

    auto job = std::make_unique<CDownloadInstaller>(callback, L"", L"", L"", true, true, true);
    job->SetParams(settings.DownloadUrl, previousInstallDir, oldUninstaller, installDir, true, true,
                   records.ConsoleUserIsAdmin(), records.ProcessIsAdmin(), L"");
    job->Start();
    {
        std::unique_lock<std::mutex> lock(mutex);
        ended.wait(lock, [&] { return exitCode >= 0; });
    }
    // Waits for every worker, and so for the package or uninstaller it started.
    job.reset();
    return exitCode;
}
