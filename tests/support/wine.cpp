#include "tests/support/wine.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace testing_support {

bool RunningUnderWine() {
#ifdef _WIN32
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace testing_support
