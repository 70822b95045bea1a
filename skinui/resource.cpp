#include "skinui/resource.h"

#include "platform/utf8.h"

// Defined by the generated assembler file of a program that links the skin archive; weak, so a
// program without it links and simply finds no resource.
extern "C" {
extern const std::uint8_t kelvo_resource_zipres_147[] __attribute__((weak));
extern const std::uint8_t kelvo_resource_zipres_147_end[] __attribute__((weak));
extern const std::uint8_t kelvo_resource_icon_145[] __attribute__((weak));
extern const std::uint8_t kelvo_resource_icon_145_end[] __attribute__((weak));
}

namespace SkinUI {

ResourceBlob FindResource(const std::wstring& type, int id) {
    std::wstring upper;
    for (wchar_t c : type) upper += (c >= L'a' && c <= L'z') ? c - L'a' + L'A' : c;
    if (upper == L"ZIPRES" && id == 147 && kelvo_resource_zipres_147 && kelvo_resource_zipres_147_end) {
        return {kelvo_resource_zipres_147,
                static_cast<std::size_t>(kelvo_resource_zipres_147_end - kelvo_resource_zipres_147)};
    }
    if (upper == L"ICON" && id == 145 && kelvo_resource_icon_145 && kelvo_resource_icon_145_end) {
        return {kelvo_resource_icon_145, static_cast<std::size_t>(kelvo_resource_icon_145_end - kelvo_resource_icon_145)};
    }
    return {};
}

}  // namespace SkinUI
