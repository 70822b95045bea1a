// records: what the installer finds of an earlier installation, as the main window reads it at
// start, one "Name=value" line each.
#include <cstdio>

#include "commands.h"
#include "install/install_records.h"
#include "utils/text.h"

int RunRecords(const Arguments& arguments) {
    if (!arguments.empty()) return UsageError("records");
    CInstallRecords records;
    records.ReadInstallRecord();
    const std::wstring defaultPath = records.GetDefaultInstallPath();
    std::printf("InstallPath=%s\nUnInstallEp=%s\nDefaultInstallPath=%s\nEarlierInstallation=%s\n",
                Utils::WideToUtf8(records.PreviousInstallPath()).c_str(),
                Utils::WideToUtf8(records.PreviousUninstallEntry()).c_str(),
                Utils::WideToUtf8(defaultPath).c_str(), records.HasEarlierInstallation() ? "yes" : "no");
    return 0;
}
