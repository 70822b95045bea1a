#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <optional>
#include <string>

namespace testing_support {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::string NativePath() const;
    std::wstring Join(const std::wstring& name) const;
    // Writes bytes to a file inside the folder and returns its path.
    std::wstring WriteFile(const std::wstring& name, const std::string& bytes) const;

private:
    std::wstring m_path;
};

// A file's whole content, whatever its size (the product caps what it reads; a test checks all).
std::optional<std::string> ReadFile(const std::wstring& path);

}  // namespace testing_support
