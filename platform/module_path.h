#pragma once
#include <string>

namespace platform {

// Full path of the running executable; empty text on failure.
std::wstring GetModuleFileName();

}  // namespace platform
