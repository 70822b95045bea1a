#include "platform/key_store.h"

#include <cwchar>

#include "platform/file_system.h"
#include "platform/identity.h"
#include "platform/known_folders.h"
#include "platform/utf8.h"

namespace platform {
namespace {

bool IsScalarValue(unsigned long code) { return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF); }

constexpr const char* kHeader = "; Kelvo Kids key store: the installer's per-user values (UTF-8).\n";

std::wstring Quoted(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        switch (c) {
            case L'\\': out += L"\\\\"; break;
            case L'"': out += L"\\\""; break;
            case L'\n': out += L"\\n"; break;
            case L'\r': out += L"\\r"; break;
            case L'\t': out += L"\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    wchar_t escaped[16];
                    std::swprintf(escaped, 16, L"\\u{%x}", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + L"\"";
}

// Reads one quoted text from position `at`; false when it is not one.
bool ReadQuoted(const std::wstring& line, std::size_t& at, std::wstring& text) {
    if (at >= line.size() || line[at] != L'"') return false;
    text.clear();
    for (++at; at < line.size(); ++at) {
        wchar_t c = line[at];
        if (c == L'"') {
            ++at;
            return true;
        }
        if (c != L'\\') {
            text += c;
            continue;
        }
        if (++at >= line.size()) return false;
        switch (line[at]) {
            case L'\\': text += L'\\'; break;
            case L'"': text += L'"'; break;
            case L'n': text += L'\n'; break;
            case L'r': text += L'\r'; break;
            case L't': text += L'\t'; break;
            case L'u': {
                std::size_t close = line.find(L'}', at);
                if (at + 1 >= line.size() || line[at + 1] != L'{' || close == std::wstring::npos || close - at > 10)
                    return false;
                const std::wstring digits = line.substr(at + 2, close - at - 2);
                if (digits.empty() || digits.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos)
                    return false;
                const unsigned long code = std::wcstoul(digits.c_str(), nullptr, 16);
                // Only what the writer escapes comes back: a code that is no character (a
                // surrogate, past U+10FFFF) could not be written again as it was read.
                if (!IsScalarValue(code)) return false;
                text += static_cast<wchar_t>(code);
                at = close;
                break;
            }
            default:
                return false;
        }
    }
    return false;
}

bool ValidKeyPath(const std::wstring& key) {
    return !key.empty() && key.find_first_of(L"\r\n]") == std::wstring::npos;
}

// Text that UTF-8 holds exactly: no surrogate, nothing past U+10FFFF.
bool Storable(const std::wstring& text) {
    for (wchar_t c : text)
        if (!IsScalarValue(static_cast<unsigned long>(c))) return false;
    return true;
}

// The store belongs to the invoking user: through sudo it is read and written with their rights.
std::optional<UserAccount> StoreAccount(const std::wstring& path) { return AccountFor(path); }

}  // namespace

std::string FormatKeyStore(const KeyStoreContent& content) {
    std::wstring text;
    for (const KeyStoreKey& key : content) {
        text += L"[" + key.path + L"]\n";
        for (const auto& [name, value] : key.values) text += Quoted(name) + L"=" + Quoted(value) + L"\n";
    }
    return kHeader + WideToUtf8(text);
}

KeyStoreContent ParseKeyStore(const std::string& bytes) {
    KeyStoreContent content;
    const std::wstring text = Utf8ToWideLossy(bytes);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
            content.push_back({line.substr(1, line.size() - 2), {}});
            continue;
        }
        std::size_t at = 0;
        std::wstring name, value;
        if (content.empty() || !ReadQuoted(line, at, name) || at >= line.size() || line[at++] != L'=' ||
            !ReadQuoted(line, at, value) || at != line.size())
            continue;
        content.back().values.emplace_back(std::move(name), std::move(value));
    }
    return content;
}

std::wstring KeyStorePath() {
    const std::wstring config = GetKnownFolder(KnownFolder::UserConfig);
    if (config.empty()) return {};
    return JoinPath(JoinPath(config, L"VemarSoft"), L"keys.reg");
}

bool ReadKeyValue(const std::wstring& key, const std::wstring& name, std::wstring& value) {
    const std::wstring path = KeyStorePath();
    if (path.empty()) return false;
    FileAccessAs access(StoreAccount(path));
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) return false;
    for (const KeyStoreKey& stored : ParseKeyStore(*bytes)) {
        if (stored.path != key) continue;
        for (const auto& [storedName, storedValue] : stored.values) {
            if (storedName == name) {
                value = storedValue;
                return true;
            }
        }
    }
    return false;
}

bool WriteKeyValue(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                   std::string* refusal) {
    const std::wstring path = KeyStorePath();
    if (path.empty() || !ValidKeyPath(key) || !Storable(key) || !Storable(name) || !Storable(value)) return false;
    FileAccessAs access(StoreAccount(path));
    if (!CreateFoldersForUser(ParentPath(path), 0700)) {
        if (refusal) *refusal = "its folder cannot be made";
        return false;
    }
    std::string bytes, why;
    // Values of a store that is not the user's own regular file are not carried over.
    if (ReadOwnFile(path, bytes, why) == OwnFileContent::kRefused && refusal)
        *refusal = "earlier content left out: " + why;
    KeyStoreContent content = ParseKeyStore(bytes);
    KeyStoreKey* target = nullptr;
    for (KeyStoreKey& stored : content)
        if (stored.path == key && !target) target = &stored;
    if (!target) {
        content.push_back({key, {}});
        target = &content.back();
    }
    bool replaced = false;
    for (auto& [storedName, storedValue] : target->values) {
        if (storedName == name) {
            storedValue = value;
            replaced = true;
        }
    }
    if (!replaced) target->values.emplace_back(name, value);
    return WriteFileAtomically(path, FormatKeyStore(content));
}

}  // namespace platform
