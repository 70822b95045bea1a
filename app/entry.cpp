#include "app/entry.h"

#include "app/installer_settings.h"
#include "app/single_instance_guard.h"
#include "utils/debug_log.h"

int RunInstaller(const std::vector<std::wstring>& arguments) {
    // No crash filter of our own: the system's default handling of a crash applies.
    SingleInstanceGuard guard(L"Installer_kelvoKids");
    if (!guard.Acquire()) return -1;

    InstallerSettings& settings = InstallerSettings::Instance();
    settings.ApplyCommandLine(arguments);
    DEBUG_LOG(L"DownloadUrl=%s DownloadType=%d IsCheckNet=%d DownloadScale=%f Language=%d InsNew=%d",
              settings.DownloadUrl.c_str(), settings.DownloadType, settings.IsCheckNet ? 1 : 0,
              settings.DownloadScale, settings.Language, settings.InsNew ? 1 : 0);

    guard.Release();
    return 0;
}
