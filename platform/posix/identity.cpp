#include "platform/identity.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

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
    // Through sudo the session belongs to the user who asked for the rights.
    if (const char* sudoUser = std::getenv("SUDO_USER"); sudoUser && *sudoUser) {
        name = Utf8ToWideLossy(sudoUser);
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

}  // namespace platform
