#include "platform/identity.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

}  // namespace

std::optional<UserAccount> InvokingUser() {
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

}  // namespace platform
