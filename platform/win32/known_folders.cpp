#include "platform/known_folders.h"

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstdlib>

#include "platform/file_system.h"
#include "platform/utf8.h"

namespace platform {
namespace {

std::wstring ShellFolder(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path) folder = path;
    ::CoTaskMemFree(path);
    return folder;
}

bool IsAbsoluteWindowsPath(const std::wstring& path) {
    return (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) || path.rfind(L"\\\\", 0) == 0;
}

class SystemKnownFolders final : public KnownFolderProvider {
public:
    std::wstring Get(KnownFolder folder) const override {
        switch (folder) {
            case KnownFolder::ApplicationData: {
                // The user's %APPDATA% as the environment gives it (the roaming application data);
                // without it, none, and the shared documents take its place.
                const wchar_t* value = ::_wgetenv(L"APPDATA");
                return value && IsAbsoluteWindowsPath(value) ? std::wstring(value) : std::wstring();
            }
            case KnownFolder::CommonDocuments:
                return ShellFolder(FOLDERID_PublicDocuments);
            case KnownFolder::ProgramFiles:
                return ShellFolder(FOLDERID_ProgramFiles);
            case KnownFolder::ProgramFilesX86:
                return ShellFolder(FOLDERID_ProgramFilesX86);
            case KnownFolder::UserConfig:
                return ShellFolder(FOLDERID_RoamingAppData);
        }
        return {};
    }
};

const SystemKnownFolders g_systemFolders;
std::atomic<const KnownFolderProvider*> g_provider{nullptr};

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

std::wstring GetKnownFolder(KnownFolder folder) {
    const KnownFolderProvider* provider = g_provider.load();
    std::wstring path = (provider ? *provider : static_cast<const KnownFolderProvider&>(g_systemFolders)).Get(folder);
    // "C:\" keeps its separator; every other folder loses a trailing one.
    while (path.size() > 3 && IsSeparator(path.back())) path.pop_back();
    return path;
}

const KnownFolderProvider* SetKnownFolderProvider(const KnownFolderProvider* provider) {
    return g_provider.exchange(provider);
}

bool IsInInvokingUserHome(const std::wstring& path) {
    std::optional<UserAccount> user = InvokingUser();
    if (!user || path.empty()) return false;
    std::wstring home = Utf8ToWideLossy(user->home);
    while (home.size() > 3 && IsSeparator(home.back())) home.pop_back();
    if (path.find(L"\\..\\") != std::wstring::npos || path.ends_with(L"\\..")) return false;
    return path.size() > home.size() && ::_wcsnicmp(path.c_str(), home.c_str(), home.size()) == 0 &&
           IsSeparator(path[home.size()]);
}

// The mode is a Linux matter: folders take the access of the folder they are made in.
bool CreateFoldersForUser(const std::wstring& path, unsigned) {
    if (path.empty()) return false;
    std::size_t next = 0;
    // The drive ("C:\") or the share ("\\server\share\") is there or not; folders start after it.
    if (path.size() >= 3 && path[1] == L':' && IsSeparator(path[2])) {
        next = 3;
    } else if (path.rfind(L"\\\\", 0) == 0) {
        const std::size_t server = path.find_first_of(L"\\/", 2);
        const std::size_t share = server == std::wstring::npos ? server : path.find_first_of(L"\\/", server + 1);
        next = share == std::wstring::npos ? path.size() : share + 1;
    } else {
        return false;
    }
    while (next <= path.size()) {
        std::size_t end = path.find_first_of(L"\\/", next);
        if (end == std::wstring::npos) end = path.size();
        if (end > next) {
            const std::wstring level = path.substr(0, end);
            if (!CreateFolder(level) && !IsDirectory(level)) return false;
        }
        next = end + 1;
    }
    return true;
}

}  // namespace platform
