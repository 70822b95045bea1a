#ifndef _WIN32
#include "tests/support/sudo_scenario.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/known_folders.h"

namespace testing_support {

bool SudoScenario::Available() { return ::geteuid() == 0 && ::getpwnam("daemon") != nullptr; }

SudoScenario::SudoScenario() {
    const passwd* daemon = ::getpwnam("daemon");
    m_home = m_root.Join(L"home");
    platform::CreateFolder(m_home);
    if (daemon) {
        m_account.uid = daemon->pw_uid;
        m_account.gid = daemon->pw_gid;
        m_account.name = daemon->pw_name;
    }
    m_account.home = platform::PathToNative(m_home);
    m_account.throughSudo = true;
    // The account must reach its home: the test's folder is entered by anyone, read by none.
    ::chmod(m_root.NativePath().c_str(), 0711);
    GiveToUser(m_home);
    platform::SetInvokingUserForTesting(&m_account);
}

SudoScenario::~SudoScenario() { platform::SetInvokingUserForTesting(nullptr); }

std::wstring SudoScenario::UserFolder(const std::wstring& relative) const {
    const std::wstring path = platform::JoinPath(m_home, relative);
    platform::FileAccessAs access(m_account);
    platform::CreateFoldersForUser(path, 0755);
    return path;
}

std::wstring SudoScenario::RootOnlyFolder(const std::wstring& name) const {
    const std::wstring path = m_root.Join(name);
    platform::CreateFolder(path);
    ::chmod(platform::PathToNative(path).c_str(), 0700);
    return path;
}

void SudoScenario::GiveToUser(const std::wstring& path) const {
    ::fchownat(AT_FDCWD, platform::PathToNative(path).c_str(), m_account.uid, m_account.gid, AT_SYMLINK_NOFOLLOW);
}

long OwnerOf(const std::wstring& path) {
    struct stat info {};
    if (::lstat(platform::PathToNative(path).c_str(), &info) != 0) return -1;
    return static_cast<long>(info.st_uid);
}

}  // namespace testing_support
#endif
