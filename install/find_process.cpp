#include "install/find_process.h"

#include "platform/process.h"

int FindProcessByName(const std::wstring& name) {
    if (name.empty()) return 0;
    const auto found = platform::FindProcessesByExecutableName(name);
    return found.empty() ? 0 : found.front();
}
