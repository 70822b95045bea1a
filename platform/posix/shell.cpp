#include "platform/shell.h"

#include "platform/file_system.h"
#include "platform/posix/gio_library.h"
#include "platform/utf8.h"

namespace platform {
namespace {

bool Fail(const GioLibrary& gio, GError* failure, std::wstring* error) {
    if (error) *error = failure ? Utf8ToWideLossy(failure->message) : L"";
    if (failure) gio.error_free(failure);
    return false;
}

}  // namespace

bool OpenUrl(const std::wstring& url, std::wstring* error) {
    const GioLibrary* gio = Gio(error);
    if (!gio) return false;
    GError* failure = nullptr;
    if (!gio->app_info_launch_default_for_uri(WideToUtf8(url).c_str(), nullptr, &failure)) {
        return Fail(*gio, failure, error);
    }
    return true;
}

bool StartProgram(const std::wstring& path, const std::wstring& workingFolder, std::wstring* error) {
    const GioLibrary* gio = Gio(error);
    if (!gio) return false;
    GSubprocessLauncher* launcher = gio->subprocess_launcher_new(
        static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDOUT_SILENCE | G_SUBPROCESS_FLAGS_STDERR_SILENCE));
    const std::string folder = PathToNative(workingFolder);
    if (!workingFolder.empty()) gio->subprocess_launcher_set_cwd(launcher, folder.c_str());
    const std::string program = PathToNative(path);
    const gchar* argv[] = {program.c_str(), nullptr};
    GError* failure = nullptr;
    // The child is reaped by GLib's worker thread; nobody waits for the product.
    GSubprocess* child = gio->subprocess_launcher_spawnv(launcher, argv, &failure);
    gio->object_unref(launcher);
    if (!child) return Fail(*gio, failure, error);
    gio->object_unref(child);
    return true;
}

}  // namespace platform
