#pragma once
// Anonymous pipes and raw handles. Handles are opaque numbers so that no header above the
// platform layer needs a system header.
#include <cstddef>
#include <cstdint>

namespace platform {

using NativeHandle = std::intptr_t;
constexpr NativeHandle kInvalidHandle = -1;

// Both ends are created not inheritable; process creation hands the child only what it names.
bool CreatePipe(NativeHandle& readEnd, NativeHandle& writeEnd);
// Closes an open handle and sets it to kInvalidHandle.
void CloseHandle(NativeHandle& handle);
// Blocks until data, end of stream or an error. False at end of stream or on error, as a read of
// a pipe whose writers are all gone fails on Windows.
bool ReadFile(NativeHandle handle, void* buffer, std::size_t size, std::size_t& bytesRead);
bool WriteFile(NativeHandle handle, const void* buffer, std::size_t size);
// True when a read would not block (data waiting, end of stream or an error) within the time;
// a reader that must not hang on a pipe some other process keeps open waits here first.
bool WaitForReadable(NativeHandle handle, std::uint32_t timeoutMilliseconds);

}  // namespace platform
