#include "skinui/skin_archive.h"

#include <archive.h>
#include <archive_entry.h>

#include <cwctype>

#include "platform/utf8.h"

namespace SkinUI {

namespace {

std::wstring Normalised(const std::wstring& name) {
    std::wstring result = name;
    for (wchar_t& c : result) {
        if (c == L'\\') c = L'/';
    }
    // bsdtar stores entries made with "-C skin ." as "./name".
    while (result.size() > 2 && result.compare(0, 2, L"./") == 0) result.erase(0, 2);
    return result;
}

wchar_t Lower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c; }

}  // namespace

bool SameEntryName(const std::wstring& wanted, const std::wstring& entry) {
    std::wstring a = Normalised(wanted), b = Normalised(entry);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

bool SkinArchive::Open(const std::uint8_t* data, std::size_t size) {
    m_entries.clear();
    m_open = false;
    if (!data || size == 0) return false;
    archive* reader = archive_read_new();
    archive_read_support_format_7zip(reader);
    archive_read_support_format_zip(reader);
    archive_read_support_filter_all(reader);
    if (archive_read_open_memory(reader, data, size) != ARCHIVE_OK) {
        archive_read_free(reader);
        return false;
    }
    bool ok = true;
    archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader, &entry)) == ARCHIVE_OK) {
        if (archive_entry_filetype(entry) != AE_IFREG) continue;
        const char* path = archive_entry_pathname_utf8(entry);
        if (!path) path = archive_entry_pathname(entry);
        Entry item{Normalised(platform::Utf8ToWideLossy(path ? path : "")), {}};
        char buffer[65536];
        la_ssize_t got = 0;
        while ((got = archive_read_data(reader, buffer, sizeof buffer)) > 0) {
            item.bytes.insert(item.bytes.end(), buffer, buffer + got);
        }
        if (got < 0) {
            ok = false;
            break;
        }
        m_entries.push_back(std::move(item));
    }
    if (status != ARCHIVE_EOF) ok = false;
    archive_read_free(reader);
    if (!ok) {
        m_entries.clear();
        return false;
    }
    m_open = true;
    return true;
}

const std::vector<std::uint8_t>* SkinArchive::Find(const std::wstring& name) const {
    for (const Entry& entry : m_entries) {
        if (SameEntryName(name, entry.name)) return &entry.bytes;
    }
    return nullptr;
}

}  // namespace SkinUI
