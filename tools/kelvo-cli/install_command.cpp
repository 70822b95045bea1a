// install: the whole installation job as the main window runs it (SetParams, then Start), with
// every report printed as it arrives, and the installation records read and written at the
// window's points.
#include <cstdlib>
#include <filesystem>

#include "commands.h"
#include "install/install_records.h"
#include "install/unattended_job.h"
#include "platform/file_system.h"
#include "settings/installer_settings.h"
#include "utils/system_info.h"
#include "utils/text.h"

namespace {

constexpr const char* kUsage =
    "install --url URL [--dir DIR] [--engine N] [--uninstaller PATH] [--insnew]";

// The package and the uninstaller are started with these paths: make them independent of the
// folder the tool was started in.
std::wstring AbsolutePath(const std::string& path) {
    std::error_code error;
    // UTF-8 in and out: a narrow path would be the ANSI code page's text on Windows.
    const std::filesystem::path absolute =
        std::filesystem::absolute(std::filesystem::path(std::u8string(path.begin(), path.end())), error);
    if (error) return Utils::Utf8ToWide(path);
    const std::u8string normal = absolute.lexically_normal().u8string();
    return Utils::Utf8ToWide(std::string(normal.begin(), normal.end()));
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
    UnattendedJob job;
    job.downloadUrl = settings.DownloadUrl;
    job.installDir = installDir;
    job.oldUninstaller = oldUninstaller;
    job.previousInstallDir = previousInstallDir;
    return RunUnattendedJob(records, job, PrintStatusLine);
}
