#include "platform/shell.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <sstream>

#include "platform/file_system.h"
#include "platform/identity.h"
#include "platform/posix/gio_library.h"
#include "platform/process.h"
#include "platform/utf8.h"

namespace platform {
namespace {

bool Fail(const GioLibrary& gio, GError* failure, std::wstring* error) {
    if (error) *error = failure ? Utf8ToWideLossy(failure->message) : L"";
    if (failure) gio.error_free(failure);
    return false;
}

// Through sudo, what is started for the user at the end (the product, their browser) runs as the
// user, never as root: it is their program in their session.
std::optional<UserAccount> SessionUser() {
    std::optional<UserAccount> user = InvokingUser();
    if (user && user->throughSudo && ::geteuid() == 0) return user;
    return std::nullopt;
}

// A program of the PATH, by its absolute path; empty text when there is none.
std::wstring FindInPath(const char* name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty() || folder[0] != '/') continue;
        const std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return PathFromNative(candidate);
    }
    return {};
}

}  // namespace

bool OpenUrl(const std::wstring& url, std::wstring* error) {
    if (std::optional<UserAccount> user = SessionUser()) {
        // The desktop's handler is asked from a process of the user's: GIO's command line tool
        // where it is installed, else xdg-open.
        SpawnOptions options;
        options.runAs = user;
        if (std::wstring gio = FindInPath("gio"); !gio.empty())
            return StartDetached({gio, L"open", url}, options, error);
        if (std::wstring opener = FindInPath("xdg-open"); !opener.empty())
            return StartDetached({opener, url}, options, error);
        if (error) *error = L"neither gio nor xdg-open is installed";
        return false;
    }
    const GioLibrary* gio = Gio(error);
    if (!gio) return false;
    GError* failure = nullptr;
    if (!gio->app_info_launch_default_for_uri(WideToUtf8(url).c_str(), nullptr, &failure)) {
        return Fail(*gio, failure, error);
    }
    return true;
}

bool StartProgram(const std::wstring& path, const std::wstring& workingFolder, std::wstring* error) {
    SpawnOptions options;
    options.runAs = SessionUser();
    options.workingFolder = workingFolder;
    return StartDetached({path}, options, error);
}

}  // namespace platform
