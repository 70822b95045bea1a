#pragma once
// Who runs the installer and with what rights.
#include <optional>
#include <string>

namespace platform {

// The user logged in at the console (the user behind sudo when run through it).
bool GetConsoleUserName(std::wstring& name);
// An administrator account: a member of sudo, wheel or admin (or root itself).
bool IsAdminAccount(const std::wstring& userName);
// The process runs with administrator rights: its effective user is root.
bool IsProcessElevated();

// The person the installer works for. Run through sudo (effective user root, SUDO_UID set),
// that is the user who called sudo, so per-user files (locks, records, data) are theirs and
// an elevated run and a plain run see the same installation; otherwise the real user.
struct UserAccount {
    unsigned uid = 0;
    unsigned gid = 0;
    std::string name;
    // Home folder: $HOME for the process's own user when set, else the account database's.
    std::string home;
    bool throughSudo = false;
};
std::optional<UserAccount> InvokingUser();

// Gives a file or folder this process created on the invoking user's behalf to that user
// (only needed, and only done, when running through sudo). Never follows a symbolic link.
bool GiveToInvokingUser(const std::wstring& path);

}  // namespace platform
