#include "skinui/skin_resources.h"

#include "platform/file_system.h"
#include "skinui/markup/value_parser.h"

namespace SkinUI {

namespace {

constexpr std::size_t kMarkupLimit = 4194304;

std::wstring DiskPath(const std::wstring& folder, const std::wstring& name) {
    std::wstring relative = name;
    for (wchar_t& c : relative) {
        if (c == L'\\') c = L'/';
    }
    if (folder.empty() || (!relative.empty() && relative.front() == L'/')) return relative;
    return platform::JoinPath(folder, relative);
}

}  // namespace

SkinResources& SkinResources::Instance() {
    static SkinResources instance;
    return instance;
}

bool SkinResources::SetArchive(const std::uint8_t* data, std::size_t size) {
    if (m_archive.IsOpen()) return true;
    if (!data || size == 0) return false;
    m_archiveBytes.assign(data, data + size);
    if (!m_archive.Open(m_archiveBytes.data(), m_archiveBytes.size())) {
        m_archiveBytes.clear();
        m_archiveDamaged = true;
        return false;
    }
    m_archiveDamaged = false;
    return true;
}

bool SkinResources::ReadMarkup(const std::wstring& name, std::vector<std::uint8_t>& bytes,
                               std::wstring& error) const {
    if (m_archiveDamaged) {
        error = L"Error opening zip file";
        return false;
    }
    if (m_archive.IsOpen()) {
        const std::vector<std::uint8_t>* entry = m_archive.Find(name);
        if (!entry) {
            error = L"Could not find ziped file";
            return false;
        }
        if (entry->empty()) {
            error = L"File is empty";
            return false;
        }
        if (entry->size() > kMarkupLimit) {
            error = L"File too large";
            return false;
        }
        bytes = *entry;
        return true;
    }
    std::wstring path = DiskPath(m_resourcePath, name);
    if (!platform::PathExists(path)) {
        error = L"Error opening file";
        return false;
    }
    std::optional<std::string> content = platform::ReadWholeFile(path, kSkinFileLimit);
    if (!content) {
        error = L"Could not read file";
        return false;
    }
    if (content->empty()) {
        error = L"File is empty";
        return false;
    }
    if (content->size() > kMarkupLimit) {
        error = L"File too large";
        return false;
    }
    bytes.assign(content->begin(), content->end());
    return true;
}

bool SkinResources::ReadFile(const std::wstring& name, std::vector<std::uint8_t>& bytes) const {
    if (m_archiveDamaged) return false;
    if (m_archive.IsOpen()) {
        const std::vector<std::uint8_t>* entry = m_archive.Find(name);
        if (!entry) return false;
        bytes = *entry;
        return true;
    }
    std::optional<std::string> content = platform::ReadWholeFile(DiskPath(m_resourcePath, name), kSkinFileLimit);
    if (!content) return false;
    bytes.assign(content->begin(), content->end());
    return true;
}

std::shared_ptr<const Image> SkinResources::LoadImage(const std::wstring& name, bool hasMask, std::uint32_t mask) {
    std::wstring key = AsciiLower(name);
    for (wchar_t& c : key) {
        if (c == L'\\') c = L'/';
    }
    if (hasMask) key += L"|" + std::to_wstring(mask & 0xFFFFFF);
    auto found = m_images.find(key);
    if (found != m_images.end()) return found->second;
    std::vector<std::uint8_t> bytes;
    std::shared_ptr<const Image> image;
    if (ReadFile(name, bytes)) image = DecodeImage(bytes, hasMask, mask);
    m_images[key] = image;
    return image;
}

void SkinResources::Reset() {
    m_resourcePath.clear();
    m_archive = SkinArchive();
    m_archiveDamaged = false;
    m_archiveBytes.clear();
    m_images.clear();
}

}  // namespace SkinUI
