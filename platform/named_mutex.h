#pragma once
// A named lock of the user's session that the kernel releases when its holder dies. It lives in
// a folder only that user can write to (the runtime folder of the session, else a private folder
// of theirs), and for a run through sudo it is the invoking user's.
#include <string>

namespace platform {

class NamedMutex {
public:
    NamedMutex() = default;
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // False when another process holds the name or the lock cannot be created (a lock file that
    // is a link or belongs to someone else is never used).
    bool Acquire(const std::wstring& name);
    void Release();
    bool IsHeld() const { return m_descriptor >= 0; }

private:
    int m_descriptor = -1;
};

}  // namespace platform
