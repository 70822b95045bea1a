#pragma once
// A system-wide named lock that is released by the kernel when its holder dies.
#include <string>

namespace platform {

class NamedMutex {
public:
    NamedMutex() = default;
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // False when another process holds the name or the lock cannot be created.
    bool Acquire(const std::wstring& name);
    void Release();
    bool IsHeld() const { return m_descriptor >= 0; }

private:
    int m_descriptor = -1;
};

}  // namespace platform
