#pragma once
#include <string>

namespace platform {

// Full path of the running executable; empty text on failure.
std::wstring GetModulePath();

// What the name of a program file ends with: ".exe" on Windows, nothing on Linux.
#ifdef _WIN32
constexpr const wchar_t* kProgramSuffix = L".exe";
#else
constexpr const wchar_t* kProgramSuffix = L"";
#endif

}  // namespace platform
