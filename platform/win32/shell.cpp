#include "platform/shell.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/windows_helpers.h"

namespace platform {
namespace {

// ShellExecuteW "open" may hand the work to a shell extension through COM: the calling thread
// needs it, on a worker as on the window's thread.
bool Open(const std::wstring& target, const std::wstring& folder, int show, std::wstring* error) {
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const HINSTANCE result = ::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr,
                                             folder.empty() ? nullptr : folder.c_str(), show);
    const DWORD failure = ::GetLastError();
    if (SUCCEEDED(com)) ::CoUninitialize();
    // Values above 32 mean it started.
    if (reinterpret_cast<INT_PTR>(result) > 32) return true;
    if (error) *error = win32::ErrorText(failure ? failure : static_cast<DWORD>(reinterpret_cast<INT_PTR>(result)));
    return false;
}

}  // namespace

bool OpenUrl(const std::wstring& url, std::wstring* error) { return Open(url, L"", SW_SHOWMAXIMIZED, error); }

bool StartProgram(const std::wstring& path, const std::wstring& workingFolder, std::wstring* error) {
    return Open(path, workingFolder, SW_SHOWNORMAL, error);
}

}  // namespace platform
