#include "platform/registry.h"

#include <algorithm>

#include "platform/file_system.h"
#include "platform/identity.h"
#include "platform/key_store.h"

namespace platform {

bool ReadUserRegistryString(const std::wstring& key, const std::wstring& name, std::wstring& value) {
    return ReadKeyValue(key, name, value);
}

bool WriteUserRegistryString(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                             std::string* refusal) {
    return WriteKeyValue(key, name, value, refusal);
}

bool DeleteUserRegistryKey(const std::wstring& key) {
    const std::wstring path = KeyStorePath();
    if (path.empty()) return false;
    FileAccessAs access(AccountFor(path));
    std::optional<std::string> text = ReadWholeFile(path);
    if (!text) return !PathExists(path);
    KeyStoreContent content = ParseKeyStore(*text);
    const auto kept = std::remove_if(content.begin(), content.end(),
                                     [&](const KeyStoreKey& stored) { return stored.path == key; });
    if (kept == content.end()) return true;
    content.erase(kept, content.end());
    return WriteFileAtomically(path, FormatKeyStore(content));
}

}  // namespace platform
