#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
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

}  // namespace testing_support
