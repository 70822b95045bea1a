#pragma once
// What the Windows implementations of platform/ share: handles in and out of the opaque numbers
// of platform/pipe.h, the long-path form of a path, and the text of a system error.
#include <windows.h>

#include <string>

#include "platform/pipe.h"

namespace platform::win32 {

inline HANDLE ToHandle(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }
inline NativeHandle FromHandle(HANDLE handle) {
    return handle == nullptr || handle == INVALID_HANDLE_VALUE ? kInvalidHandle : reinterpret_cast<NativeHandle>(handle);
}

// The path to hand to the wide file functions: a full path of MAX_PATH characters or more takes
// the "\\?\" form (which reaches 32,767 characters but is taken as it is, so it is made full and
// normalised first); a shorter one is left as it is.
std::wstring ExtendedPath(const std::wstring& path);

// The system's message for an error number, without its line break.
std::wstring ErrorText(DWORD error);

// Closes a handle unless it is null or INVALID_HANDLE_VALUE.
void CloseIfOpen(HANDLE handle);

// Whether an open file or folder belongs to the process's user: its owner is the token's user,
// or the owner the token gives what it creates (the Administrators group for an elevated one).
bool IsOwnedByProcessUser(HANDLE handle);

// The process user's security identifier as text ("S-1-5-21-..."); empty when it cannot be read.
std::wstring ProcessUserSid();

}  // namespace platform::win32
