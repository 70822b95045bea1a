#include "platform/random.h"

#include <objbase.h>
#include <windows.h>

namespace platform {

bool CreateGuid(Guid& guid) {
    GUID made{};
    if (FAILED(::CoCreateGuid(&made))) return false;
    guid.data1 = made.Data1;
    guid.data2 = made.Data2;
    guid.data3 = made.Data3;
    for (std::size_t i = 0; i < guid.data4.size(); ++i) guid.data4[i] = made.Data4[i];
    return true;
}

}  // namespace platform
