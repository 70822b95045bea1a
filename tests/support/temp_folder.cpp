#include "tests/support/temp_folder.h"


#include <filesystem>
#include <fstream>
#include <limits>

#include "platform/file_system.h"
#include "utils/digest.h"

namespace testing_support {

TempFolder::TempFolder() {
    std::wstring path = platform::GetTempFolder() + L"kelvo-test-" + Utils::CreateGuidString();
    if (platform::CreateFolder(path)) m_path = path;
}

TempFolder::~TempFolder() {
    if (m_path.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(NativePath(), ignored);
}

std::string TempFolder::NativePath() const { return platform::PathToNative(m_path); }

std::wstring TempFolder::Join(const std::wstring& name) const { return platform::JoinPath(m_path, name); }

std::wstring TempFolder::WriteFile(const std::wstring& name, const std::string& bytes) const {
    std::wstring path = Join(name);
    std::ofstream out(platform::PathToNative(path), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::optional<std::string> ReadFile(const std::wstring& path) {
    return platform::ReadWholeFile(path, std::numeric_limits<std::size_t>::max());
}

}  // namespace testing_support
