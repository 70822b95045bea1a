#pragma once
// Opening things through the desktop, standing in for ShellExecuteW "open".
#include <string>

namespace platform {

// Opens a URL with the desktop's default handler for its scheme. False when none could start.
bool OpenUrl(const std::wstring& url, std::wstring* error = nullptr);

// Starts a program detached from this process, in the given working folder (empty: this
// process's), with its standard streams on /dev/null. False when it could not start.
bool StartProgram(const std::wstring& path, const std::wstring& workingFolder, std::wstring* error = nullptr);

}  // namespace platform
