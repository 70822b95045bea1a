#pragma once
// Who runs the installer and with what rights.
#include <string>

namespace platform {

// The user logged in at the console (the user behind sudo when run through it).
bool GetConsoleUserName(std::wstring& name);
// An administrator account: a member of sudo, wheel or admin (or root itself).
bool IsAdminAccount(const std::wstring& userName);
// The process runs with administrator rights: its effective user is root.
bool IsProcessElevated();

}  // namespace platform
