#include "platform/identity.h"

#include <windows.h>
#include <lm.h>
#include <shlobj.h>
#include <wtsapi32.h>

#include <atomic>

#include "platform/utf8.h"

namespace platform {
namespace {

std::atomic<const UserAccount*> g_testAccount{nullptr};

}  // namespace

bool GetConsoleUserName(std::wstring& name) {
    wchar_t* buffer = nullptr;
    DWORD bytes = 0;
    if (!::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, ::WTSGetActiveConsoleSessionId(), WTSUserName,
                                       &buffer, &bytes) ||
        !buffer)
        return false;
    name = buffer;
    ::WTSFreeMemory(buffer);
    return true;
}

bool IsAdminAccount(const std::wstring& userName) {
    if (userName.empty()) return false;
    LPBYTE buffer = nullptr;
    if (::NetUserGetInfo(nullptr, userName.c_str(), 1, &buffer) != NERR_Success) {
        if (buffer) ::NetApiBufferFree(buffer);
        return false;
    }
    const bool admin = buffer && reinterpret_cast<USER_INFO_1*>(buffer)->usri1_priv == USER_PRIV_ADMIN;
    ::NetApiBufferFree(buffer);
    return admin;
}

bool IsProcessElevated() {
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!::AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                    0, &administrators))
        return false;
    BOOL member = FALSE;
    const bool asked = ::CheckTokenMembership(nullptr, administrators, &member);
    ::FreeSid(administrators);
    return asked && member;
}

void SetInvokingUserForTesting(const UserAccount* account) { g_testAccount = account; }

// Windows has no run through sudo: the person the installer works for is the process's user.
// The numbers stay 0; nothing on Windows reads them.
std::optional<UserAccount> InvokingUser() {
    if (const UserAccount* account = g_testAccount.load()) return *account;
    UserAccount user;
    wchar_t name[257];
    DWORD length = 257;
    if (::GetUserNameW(name, &length) && length > 0) user.name = WideToUtf8(std::wstring(name, length - 1));
    wchar_t* profile = nullptr;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Profile, 0, nullptr, &profile)) && profile) user.home = WideToUtf8(profile);
    ::CoTaskMemFree(profile);
    if (user.home.empty()) return std::nullopt;
    return user;
}

std::optional<UserAccount> AccountFor(const std::wstring&) { return std::nullopt; }

FileAccessAs::FileAccessAs(const std::optional<UserAccount>&) {}
FileAccessAs::~FileAccessAs() = default;

unsigned FileAccessUser() { return 0; }

bool GiveToInvokingUser(const std::wstring&) { return true; }

std::vector<unsigned> GroupsOf(const UserAccount& account) { return {account.gid}; }

}  // namespace platform
