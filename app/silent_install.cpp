#include "app/silent_install.h"

#include <cstdio>

#include "install/download_installer.h"
#include "install/find_process.h"
#include "install/install_records.h"
#include "install/unattended_job.h"
#include "settings/installer_settings.h"
#include "utils/disk.h"
#include "utils/language.h"
#include "utils/text.h"

namespace {

int Refuse(const std::string& why) {
    std::fprintf(stderr, "KelvoKidsInstaller: %s\n", why.c_str());
    return 1;
}

// The language handed to the package: the earlier installation's, else the settings' (one out of
// the table gives English, as in the window), else the user's.
std::wstring InstallLanguage(const CInstallRecords& records) {
    if (records.HasEarlierInstallation()) {
        const std::wstring installed = Utils::InstalledLanguageCode(records.PreviousInstallPath());
        if (!installed.empty()) return installed;
    }
    const int setting = InstallerSettings::Instance().Language;
    if (setting == Utils::kNoLanguage) return Utils::LocaleCodeOf(Utils::LanguageFromUiLanguage());
    return Utils::LocaleCodeOf(Utils::IsLanguageIndex(setting) ? setting : 0);
}

}  // namespace

int RunSilentInstall() {
    const InstallerSettings& settings = InstallerSettings::Instance();
    // As the window does: never beside the running product or the earlier version's uninstaller,
    // unless the settings ask to wait for them.
    if (!settings.InsNew && (FindProcessByName(CDownloadInstaller::kProductExecutable) != 0 ||
                             FindProcessByName(CDownloadInstaller::kUninstallerCopyName) != 0))
        return Refuse("Kelvo Kids is running; close it and install again (or pass -insnew=true)");

    CInstallRecords records;
    records.ReadInstallRecord();
    const std::wstring folder = records.GetDefaultInstallPath();
    const std::string shown = Utils::WideToUtf8(folder);
    if (!CInstallRecords::CreateInstallFolder(folder)) return Refuse("cannot install into " + shown);
    Utils::HardDiskManager disk;
    if (!disk.CheckFreeSpace(folder) || disk.freeBytesAvailableToCaller < CInstallRecords::kRequiredFreeBytes)
        return Refuse("less than 1 GB free for " + shown);

    UnattendedJob job;
    job.downloadUrl = settings.DownloadUrl;
    job.installDir = folder;
    job.oldUninstaller = records.UninstallEntryFor(folder);
    job.previousInstallDir = records.PreviousInstallPath();
    job.installLanguage = InstallLanguage(records);
    return RunUnattendedJob(records, job, PrintStatusLine);
}
