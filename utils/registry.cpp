#include "utils/registry.h"

#include "platform/registry.h"
#include "utils/debug_log.h"
#include "utils/text.h"

namespace Utils {

bool RegReadString(const std::wstring& valueName, std::uint32_t& type, std::wstring& text) {
    std::wstring value;
    if (!platform::ReadUserRegistryString(kProductRegistryKey, valueName, value)) return false;
    type = kRegistryString;
    text = value;
    return true;
}

bool RegWriteString(const std::wstring& valueName, const std::wstring& text) {
    std::string refusal;
    const bool written = platform::WriteUserRegistryString(kProductRegistryKey, valueName, text, &refusal);
    if (!refusal.empty()) DEBUG_LOG(L"key store: %s", Utf8ToWide(refusal).c_str());
    return written;
}

}  // namespace Utils
