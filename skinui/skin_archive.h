#pragma once
// The skin package: a 7z archive of markup files and images, read whole from memory once.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace SkinUI {

class SkinArchive {
public:
    // Reads every file of the archive. False (and nothing kept) when it is not a readable archive.
    bool Open(const std::uint8_t* data, std::size_t size);
    bool IsOpen() const { return m_open; }

    // The entry named so, "\" read as "/", without regard to case; none when absent.
    const std::vector<std::uint8_t>* Find(const std::wstring& name) const;
    std::size_t EntryCount() const { return m_entries.size(); }

private:
    struct Entry {
        std::wstring name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Entry> m_entries;
    bool m_open = false;
};

// Case-insensitive comparison of archive names after "\" became "/" (ASCII case only; other
// characters must match exactly).
bool SameEntryName(const std::wstring& wanted, const std::wstring& entry);

}  // namespace SkinUI
