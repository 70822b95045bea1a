#pragma once
// Who runs the installer and with what rights.
#include <optional>
#include <string>
#include <vector>

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

// Tests stand an account in for the invoking user (its home a folder of the test's); null gives
// the system's answer back. The account's rights are used only where the process has root's.
void SetInvokingUserForTesting(const UserAccount* account);

// The account that should act on a path: through sudo, the invoking user when the path or any
// folder above it belongs to anyone but root or is writable by that user (it is theirs to change:
// what root reads, makes or runs there could be turned against root, or against them); otherwise
// none, the process's own rights. A path that does not exist yet is judged by its deepest
// existing folder.
std::optional<UserAccount> AccountFor(const std::wstring& path);

// Makes the calling thread's file accesses those of an account until it goes: through sudo,
// what is opened, read and made is opened, read and made with the invoking user's rights (their
// file-system user and group), through whatever links they planted, and belongs to them. Without
// an account (or without root's rights to lend) it changes nothing. Scopes nest.
class FileAccessAs {
public:
    explicit FileAccessAs(const std::optional<UserAccount>& account);
    ~FileAccessAs();
    FileAccessAs(const FileAccessAs&) = delete;
    FileAccessAs& operator=(const FileAccessAs&) = delete;

private:
    bool m_switched = false;
    unsigned m_previousUser = 0;
    unsigned m_previousGroup = 0;
};

// The user whose rights the calling thread's file accesses use now.
unsigned FileAccessUser();

// Gives a file or folder this process created on the invoking user's behalf to that user
// (only needed, and only done, when running through sudo). Never follows a symbolic link.
bool GiveToInvokingUser(const std::wstring& path);

// The invoking user's supplementary groups (their primary group included), for a program started
// with their rights.
std::vector<unsigned> GroupsOf(const UserAccount& account);

}  // namespace platform
