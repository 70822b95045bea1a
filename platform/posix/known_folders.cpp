#include "platform/known_folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "platform/file_system.h"
#include "platform/identity.h"

namespace platform {
namespace {

// An XDG variable counts only when it holds an absolute path; through sudo it may be root's or
// the caller's, so the caller's home decides there.
std::wstring UserFolder(const char* variable, const wchar_t* underHome) {
    std::optional<UserAccount> user = InvokingUser();
    if (user && !user->throughSudo && variable) {
        if (const char* value = std::getenv(variable); value && value[0] == '/')
            return PathFromNative(value);
    }
    if (!user) return {};
    return JoinPath(PathFromNative(user->home), underHome);
}

class SystemKnownFolders final : public KnownFolderProvider {
public:
    std::wstring Get(KnownFolder folder) const override {
        switch (folder) {
            case KnownFolder::ApplicationData:
            case KnownFolder::CommonDocuments:
                return UserFolder("XDG_DATA_HOME", L".local/share");
            case KnownFolder::ProgramFiles:
            case KnownFolder::ProgramFilesX86:
                if (::geteuid() == 0) return L"/opt";
                return UserFolder(nullptr, L".local/opt");
            case KnownFolder::UserConfig:
                return UserFolder("XDG_CONFIG_HOME", L".config");
        }
        return {};
    }
};

const SystemKnownFolders g_systemFolders;
std::atomic<const KnownFolderProvider*> g_provider{nullptr};

}  // namespace

std::wstring GetKnownFolder(KnownFolder folder) {
    const KnownFolderProvider* provider = g_provider.load();
    std::wstring path = (provider ? *provider : static_cast<const KnownFolderProvider&>(g_systemFolders)).Get(folder);
    while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
    return path;
}

const KnownFolderProvider* SetKnownFolderProvider(const KnownFolderProvider* provider) {
    return g_provider.exchange(provider);
}

bool IsInInvokingUserHome(const std::wstring& path) {
    std::optional<UserAccount> user = InvokingUser();
    if (!user || path.empty() || path[0] != kPathSeparator) return false;
    std::wstring home = PathFromNative(user->home);
    while (home.size() > 1 && home.back() == kPathSeparator) home.pop_back();
    if (path.find(L"/../") != std::wstring::npos || path.ends_with(L"/..")) return false;
    return path.size() > home.size() && path.compare(0, home.size(), home) == 0 &&
           path[home.size()] == kPathSeparator;
}

bool CreateFoldersForUser(const std::wstring& path, unsigned mode) {
    if (path.empty() || path[0] != kPathSeparator) return false;
    // Through sudo, levels made where the user holds sway are made with the user's rights: they
    // belong to the user, and no link the user planted leads root to make anything elsewhere.
    FileAccessAs access(AccountFor(path));
    std::size_t next = 1;
    while (next <= path.size()) {
        std::size_t end = path.find(kPathSeparator, next);
        if (end == std::wstring::npos) end = path.size();
        if (end > next) {
            const std::wstring level = path.substr(0, end);
            if (::mkdir(PathToNative(level).c_str(), static_cast<mode_t>(mode)) != 0 &&
                (errno != EEXIST || !IsDirectory(level)))
                return false;
        }
        next = end + 1;
    }
    return true;
}

}  // namespace platform
