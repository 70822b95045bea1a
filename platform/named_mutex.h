#pragma once
// A named lock of the user's session that the kernel releases when its holder dies. On Linux it
// lives in a folder only that user can write to (the runtime folder of the session, else a
// private folder of theirs), and for a run through sudo it is the invoking user's; on Windows it
// is a mutex of the session's namespace.
#include <string>

#include "platform/pipe.h"

namespace platform {

class NamedMutex {
public:
    NamedMutex() = default;
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // False when another process holds the name (on Windows: the mutex already existed) or the
    // lock cannot be created (a lock file that is a link or belongs to someone else is never used).
    bool Acquire(const std::wstring& name);
    void Release();
    bool IsHeld() const { return m_descriptor >= 0; }

private:
    NativeHandle m_descriptor = kInvalidHandle;
};

}  // namespace platform
