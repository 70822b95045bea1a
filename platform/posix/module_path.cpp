#include "platform/module_path.h"

#include <unistd.h>

#include <vector>

#include "platform/file_system.h"

namespace platform {

std::wstring GetModulePath() {
    std::vector<char> buffer(4096);
    ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return {};
    return PathFromNative(std::string(buffer.data(), static_cast<std::size_t>(length)));
}

}  // namespace platform
