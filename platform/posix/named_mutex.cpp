#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/identity.h"

namespace platform {
namespace {

struct LockOwner {
    uid_t uid;
    gid_t gid;
};

// The user whose session the lock belongs to: through sudo the caller's, so that an elevated
// run and a plain run of the same person exclude each other.
LockOwner Owner() {
    if (std::optional<UserAccount> user = InvokingUser()) return {user->uid, user->gid};
    return {::getuid(), ::getgid()};
}

// The folder, opened without following a link, when only its owner can add names to it.
int OpenOwnedFolder(const std::string& path, uid_t owner) {
    if (path.empty() || path[0] != '/') return -1;
    const int folder = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) return -1;
    struct stat info {};
    if (::fstat(folder, &info) == 0 && info.st_uid == owner && (info.st_mode & 022) == 0)
        return folder;
    ::close(folder);
    return -1;
}

// The session's runtime folder ($XDG_RUNTIME_DIR, else the one the system keeps for the user),
// else a private folder of the user's in the temporary folder.
int OpenLockFolder(const LockOwner& owner) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        const int folder = OpenOwnedFolder(runtime, owner.uid);
        if (folder >= 0) return folder;
    }
    const int folder = OpenOwnedFolder("/run/user/" + std::to_string(owner.uid), owner.uid);
    if (folder >= 0) return folder;
    const std::wstring fallback = GetTempFolder() + L"kelvoKids-" + std::to_wstring(owner.uid);
    if (!EnsurePrivateFolder(fallback, owner.uid, owner.gid)) return -1;
    return OpenOwnedFolder(PathToNative(fallback), owner.uid);
}

}  // namespace

NamedMutex::~NamedMutex() { Release(); }

bool NamedMutex::Acquire(const std::wstring& name) {
    if (m_descriptor >= 0) return true;
    std::wstring safeName;
    for (wchar_t c : name) safeName += (c == L'/' || c == L'\0') ? L'_' : c;
    const LockOwner owner = Owner();
    const int folder = OpenLockFolder(owner);
    if (folder < 0) return false;
    // Close-on-exec: a child (the setup package, the product started at the end) must not keep
    // the installer's lock alive after the installer is gone.
    const int descriptor = ::openat(folder, PathToNative(safeName + L".lock").c_str(),
                                    O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    ::close(folder);
    if (descriptor < 0) return false;
    struct stat info {};
    bool usable = ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode);
    // Made by root for the person behind sudo: theirs, so their own runs can open it too.
    if (usable && info.st_uid != owner.uid && info.st_uid == ::geteuid())
        usable = ::fchown(descriptor, owner.uid, owner.gid) == 0;
    else if (usable)
        usable = info.st_uid == owner.uid;
    if (!usable || ::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return false;
    }
    m_descriptor = descriptor;
    return true;
}

void NamedMutex::Release() {
    if (m_descriptor < 0) return;
    ::flock(m_descriptor, LOCK_UN);
    ::close(m_descriptor);
    m_descriptor = -1;
}

}  // namespace platform
