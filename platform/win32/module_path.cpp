#include "platform/module_path.h"

#include <windows.h>

#include <vector>

namespace platform {

std::wstring GetModulePath() {
    // A program in a long-path folder has a name past MAX_PATH: grow until it fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    while (buffer.size() <= 32768) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            std::wstring path(buffer.data(), length);
            // The long-path form is how the system may name it; callers join and compare the plain one.
            if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
            if (path.rfind(L"\\\\?\\", 0) == 0) return path.substr(4);
            return path;
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

}  // namespace platform
