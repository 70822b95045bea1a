#pragma once
// The installation job without a window, as scripts and administrators run it: the job of the
// main window (removal, download, installation) with the records written at the window's points
// (set.ini at 2001, the records and an automatic start at 2003), every report handed to a
// receiver, and an answer at the end.
#include <cstdint>
#include <string>

#include "install/install_records.h"
#include "utils/status_callback.h"

struct UnattendedJob {
    std::wstring downloadUrl;
    std::wstring installDir;          // absolute, created already
    std::wstring oldUninstaller;      // run first when it names a file
    std::wstring previousInstallDir;
    bool desktopShortcut = true;
    bool quickLaunchShortcut = true;
    std::wstring installLanguage;     // empty: none handed to the package
};

// Runs the job to its end and waits for every worker (and so for the package or uninstaller it
// started). Reports reach the receiver one at a time, before the records act on them. 0 when
// the installation succeeded, 1 when the job ended in a failure (1004, 2004, 5004, 5005).
int RunUnattendedJob(CInstallRecords& records, const UnattendedJob& job, const StatusCallback& receiver);

// A receiver for scripts: each report as a line "CODE VALUE TEXT" on standard output (the value
// as %g prints it, the text as UTF-8), flushed at once so a reader sees reports as they happen.
void PrintStatusLine(std::int32_t code, double value, const wchar_t* text);
