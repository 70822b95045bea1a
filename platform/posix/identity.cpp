#include "platform/identity.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/file_system.h"
#include "platform/utf8.h"

namespace platform {
namespace {

bool LookUpUser(uid_t uid, std::string& name, gid_t& group) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* result = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &result) != 0 || !result)
        return false;
    name = result->pw_name;
    group = result->pw_gid;
    return true;
}

}  // namespace

bool GetConsoleUserName(std::wstring& name) {
    // Through sudo the session belongs to the user who asked for the rights; a SUDO_USER that a
    // process without those rights carries names nobody in particular.
    if (std::optional<UserAccount> user = InvokingUser(); user && !user->name.empty()) {
        name = Utf8ToWideLossy(user->name);
        return true;
    }
    std::string user;
    gid_t group = 0;
    if (!LookUpUser(::getuid(), user, group)) return false;
    name = Utf8ToWideLossy(user);
    return true;
}

bool IsAdminAccount(const std::wstring& userName) {
    std::string user = WideToUtf8(userName);
    if (user.empty()) return false;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* account = nullptr;
    if (::getpwnam_r(user.c_str(), &entry, buffer.data(), buffer.size(), &account) != 0 ||
        !account)
        return false;
    if (account->pw_uid == 0) return true;
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(user.c_str(), account->pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(user.c_str(), account->pw_gid, groups.data(), &count) < 0) return false;
    }
    groups.resize(static_cast<std::size_t>(count));
    for (gid_t id : groups) {
        group groupEntry{};
        group* found = nullptr;
        std::vector<char> groupBuffer(16384);
        if (::getgrgid_r(id, &groupEntry, groupBuffer.data(), groupBuffer.size(), &found) != 0 ||
            !found)
            continue;
        std::string name = found->gr_name;
        if (name == "sudo" || name == "wheel" || name == "admin") return true;
    }
    return false;
}

bool IsProcessElevated() { return ::geteuid() == 0; }

namespace {

// SUDO_UID as a user id, only for a process that really runs as root: anyone can set the
// variable, but only root can act on another user's behalf.
std::optional<uid_t> SudoCaller() {
    if (::geteuid() != 0) return std::nullopt;
    const char* text = std::getenv("SUDO_UID");
    if (!text || !*text) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    unsigned long value = std::strtoul(text, &end, 10);
    if (errno != 0 || *end != '\0' || text[0] == '-' || value == 0 || value > 0x7FFFFFFFUL)
        return std::nullopt;
    return static_cast<uid_t>(value);
}

std::atomic<const UserAccount*> g_testAccount{nullptr};

}  // namespace

void SetInvokingUserForTesting(const UserAccount* account) { g_testAccount = account; }

std::optional<UserAccount> InvokingUser() {
    if (const UserAccount* account = g_testAccount.load()) return *account;
    std::optional<uid_t> caller = SudoCaller();
    uid_t uid = caller ? *caller : ::getuid();
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* account = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &account) != 0) account = nullptr;
    UserAccount user;
    user.uid = uid;
    user.throughSudo = caller.has_value();
    if (account) {
        user.gid = account->pw_gid;
        user.name = account->pw_name;
        user.home = account->pw_dir ? account->pw_dir : "";
    } else if (caller) {
        return std::nullopt;  // a caller we cannot name has no home to write into
    } else {
        user.gid = ::getgid();
    }
    // The process's own user may point HOME elsewhere (tests, portable setups); under sudo
    // HOME is root's or the caller's depending on the sudo policy, so the database decides.
    if (!caller) {
        if (const char* home = std::getenv("HOME"); home && *home == '/') user.home = home;
    }
    if (user.home.empty() || user.home[0] != '/') return std::nullopt;
    return user;
}

bool GiveToInvokingUser(const std::wstring& path) {
    std::optional<UserAccount> user = InvokingUser();
    if (!user || !user->throughSudo) return true;
    return ::fchownat(AT_FDCWD, PathToNative(path).c_str(), user->uid, user->gid,
                      AT_SYMLINK_NOFOLLOW) == 0;
}

std::vector<unsigned> GroupsOf(const UserAccount& account) {
    std::vector<unsigned> result{account.gid};
    if (account.name.empty()) return result;
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(account.name.c_str(), account.gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(account.name.c_str(), account.gid, groups.data(), &count) < 0) return result;
    }
    groups.resize(static_cast<std::size_t>(count));
    for (gid_t id : groups)
        if (std::find(result.begin(), result.end(), id) == result.end()) result.push_back(id);
    return result;
}

namespace {

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

// Whether the user may change what the name holds: own it, or write where it lies. A sticky
// folder lets others add names but not replace root's, so it does not count for root's entries.
bool UserMayChange(const struct stat& info, const std::vector<unsigned>& groups) {
    if (info.st_uid != 0) return true;
    if (S_ISLNK(info.st_mode)) return false;
    const bool sticky = S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX);
    if ((info.st_mode & S_IWOTH) && !sticky) return true;
    return (info.st_mode & S_IWGRP) && !sticky &&
           std::find(groups.begin(), groups.end(), static_cast<unsigned>(info.st_gid)) != groups.end();
}

// Every level of a path up to "/", judged from the outside (lstat): a level that is a link counts
// by its own owner here; the resolved path is judged separately.
bool ChainIsUsers(std::string path, const std::vector<unsigned>& groups) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    while (true) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0) {
            if (UserMayChange(info, groups)) return true;
        } else if (errno != ENOENT && errno != ENOTDIR) {
            return true;  // a level root cannot even look at is not root's to trust
        }
        if (path == "/") return false;
        path = ParentOf(path);
    }
}

}  // namespace

std::optional<UserAccount> AccountFor(const std::wstring& path) {
    std::optional<UserAccount> user = InvokingUser();
    if (!user || !user->throughSudo || ::geteuid() != 0) return std::nullopt;
    const std::string native = PathToNative(path);
    if (native.empty() || native[0] != '/') return user;
    const std::vector<unsigned> groups = GroupsOf(*user);
    if (ChainIsUsers(native, groups)) return user;
    // Where the links lead: the deepest level that exists, resolved.
    std::string existing = native;
    while (existing != "/" && ::access(existing.c_str(), F_OK) != 0) existing = ParentOf(existing);
    char resolved[PATH_MAX];
    if (!::realpath(existing.c_str(), resolved)) return user;
    if (ChainIsUsers(resolved, groups)) return user;
    return std::nullopt;
}

FileAccessAs::FileAccessAs(const std::optional<UserAccount>& account) {
    if (!account || ::geteuid() != 0 || account->uid == 0) return;
    // An id the system cannot take leaves the ids as they are and returns the present one.
    m_previousGroup = static_cast<unsigned>(::setfsgid(static_cast<gid_t>(-1)));
    m_previousUser = static_cast<unsigned>(::setfsuid(static_cast<uid_t>(-1)));
    ::setfsgid(account->gid);
    ::setfsuid(account->uid);
    m_switched = true;
}

FileAccessAs::~FileAccessAs() {
    if (!m_switched) return;
    ::setfsuid(m_previousUser);
    ::setfsgid(m_previousGroup);
}

unsigned FileAccessUser() { return static_cast<unsigned>(::setfsuid(static_cast<uid_t>(-1))); }

}  // namespace platform
