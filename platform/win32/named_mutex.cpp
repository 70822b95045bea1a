#include "platform/named_mutex.h"

#include <windows.h>

#include "platform/win32/windows_helpers.h"

namespace platform {

NamedMutex::~NamedMutex() { Release(); }

bool NamedMutex::Acquire(const std::wstring& name) {
    if (m_descriptor != kInvalidHandle) return true;
    // Owned from its creation; a mutex that already existed belongs to another installer of the
    // session, whether or not that one still holds it.
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, name.c_str());
    if (mutex == nullptr) return false;
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return false;
    }
    m_descriptor = win32::FromHandle(mutex);
    return true;
}

void NamedMutex::Release() {
    if (m_descriptor == kInvalidHandle) return;
    HANDLE mutex = win32::ToHandle(m_descriptor);
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
    m_descriptor = kInvalidHandle;
}

}  // namespace platform
