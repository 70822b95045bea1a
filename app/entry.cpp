// The program's entry: one installer at a time, the settings from the command line, then the
// main window on the display, or the job without any window for -silent=true.
#include "app/entry.h"

#include "app/silent_install.h"
#include "app/window_run.h"
#include "settings/installer_settings.h"
#include "settings/single_instance_guard.h"
#include "utils/command_line.h"
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
    const Utils::CommandLineMap options = Utils::MapArguments(arguments);
    const auto silent = options.find(L"-silent");
    const int result = silent != options.end() && silent->second == L"true" ? RunSilentInstall() : RunWindow();
    guard.Release();
    return result;
}
