#include "platform/pipe.h"

#include <winsock2.h>
#include <windows.h>

#include <climits>

#include "platform/win32/windows_helpers.h"

namespace platform {

using win32::FromHandle;
using win32::ToHandle;

bool CreatePipe(NativeHandle& readEnd, NativeHandle& writeEnd) {
    // Not inheritable: process creation makes inheritable only the ends it hands to its child.
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, nullptr, 0)) return false;
    readEnd = FromHandle(read);
    writeEnd = FromHandle(write);
    return true;
}

void CloseHandle(NativeHandle& handle) {
    if (handle == kInvalidHandle) return;
    HANDLE native = ToHandle(handle);
    // A socket is a handle too, but only closesocket lets go of what Winsock keeps for it.
    if (::GetFileType(native) == FILE_TYPE_PIPE && ::closesocket(reinterpret_cast<SOCKET>(native)) == 0) {
        handle = kInvalidHandle;
        return;
    }
    ::CloseHandle(native);
    handle = kInvalidHandle;
}

bool ReadFile(NativeHandle handle, void* buffer, std::size_t size, std::size_t& bytesRead) {
    bytesRead = 0;
    if (handle == kInvalidHandle) return false;
    DWORD got = 0;
    const DWORD wanted = size > UINT_MAX ? UINT_MAX : static_cast<DWORD>(size);
    if (!::ReadFile(ToHandle(handle), buffer, wanted, &got, nullptr) || got == 0) return false;
    bytesRead = got;
    return true;
}

bool WriteFile(NativeHandle handle, const void* buffer, std::size_t size) {
    auto data = static_cast<const char*>(buffer);
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        if (!::WriteFile(ToHandle(handle), data, chunk, &written, nullptr)) return false;
        data += written;
        size -= written;
    }
    return true;
}

bool WaitForReadable(NativeHandle handle, std::uint32_t timeoutMilliseconds) {
    if (handle == kInvalidHandle) return true;
    // An anonymous pipe cannot be waited on: look into it every few milliseconds. A broken pipe
    // counts as readable, and the read that follows reports its end.
    const ULONGLONG start = ::GetTickCount64();
    while (true) {
        DWORD available = 0;
        if (!::PeekNamedPipe(ToHandle(handle), nullptr, 0, nullptr, &available, nullptr) || available > 0) return true;
        const ULONGLONG elapsed = ::GetTickCount64() - start;
        if (elapsed >= timeoutMilliseconds) return false;
        const ULONGLONG left = timeoutMilliseconds - elapsed;
        ::Sleep(left < 5 ? static_cast<DWORD>(left) : 5);
    }
}

}  // namespace platform
