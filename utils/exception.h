#pragma once
#include <stdexcept>
#include <string>

namespace Utils {

// Thrown only when a pipe or a child process cannot be created.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::wstring& message = std::wstring());
    const std::wstring& WideMessage() const { return m_message; }

private:
    std::wstring m_message;
};

}  // namespace Utils
