#include "utils/registry.h"

#include "platform/key_store.h"

namespace Utils {

bool RegReadString(const std::wstring& valueName, std::uint32_t& type, std::wstring& text) {
    std::wstring value;
    if (!platform::ReadKeyValue(kProductRegistryKey, valueName, value)) return false;
    type = REG_SZ;
    text = value;
    return true;
}

bool RegWriteString(const std::wstring& valueName, const std::wstring& text) {
    return platform::WriteKeyValue(kProductRegistryKey, valueName, text);
}

}  // namespace Utils
