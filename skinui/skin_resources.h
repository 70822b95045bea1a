#pragma once
// Where the skin's files come from, for the whole process: the skin archive when one was
// handed over (it is opened once and kept), otherwise files under the resource folder.
// Decoded images are cached by name; a name that failed to load is remembered as missing.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "skinui/render/image.h"
#include "skinui/skin_archive.h"

namespace SkinUI {

class SkinResources {
public:
    static SkinResources& Instance();
    // A skin file or archive read from disk larger than this is not one.
    static constexpr std::size_t kSkinFileLimit = std::size_t{64} << 20;

    void SetResourcePath(const std::wstring& folder) { m_resourcePath = folder; }
    const std::wstring& GetResourcePath() const { return m_resourcePath; }

    // The first archive handed over stays for the process; later calls keep it. True when an
    // archive is open afterwards. An archive that cannot be read leaves the skin unreadable
    // (every look-up fails with "Error opening zip file") until a readable one is handed over.
    bool SetArchive(const std::uint8_t* data, std::size_t size);
    bool HasArchive() const { return m_archive.IsOpen(); }
    const SkinArchive& Archive() const { return m_archive; }

    // A markup file: between 1 byte and 4 MiB. On failure the loader's error text is given.
    bool ReadMarkup(const std::wstring& name, std::vector<std::uint8_t>& bytes, std::wstring& error) const;
    // Any file of the skin, unlimited; false when absent.
    bool ReadFile(const std::wstring& name, std::vector<std::uint8_t>& bytes) const;

    std::shared_ptr<const Image> LoadImage(const std::wstring& name, bool hasMask = false, std::uint32_t mask = 0);

    // Forgets the archive, the folder and the cache (tests start each case afresh).
    void Reset();

private:
    std::wstring m_resourcePath;
    SkinArchive m_archive;
    bool m_archiveDamaged = false;
    std::vector<std::uint8_t> m_archiveBytes;
    std::map<std::wstring, std::shared_ptr<const Image>> m_images;
};

}  // namespace SkinUI
