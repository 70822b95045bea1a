#pragma once
// Blobs linked into the executable at build time, looked up by type and id as a Windows
// program looks up its resources. A program that did not link a blob finds nothing.
#include <cstddef>
#include <cstdint>
#include <string>

namespace SkinUI {

struct ResourceBlob {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// Type names are compared without regard to case ("ZIPRES"). Empty when absent.
ResourceBlob FindResource(const std::wstring& type, int id);

}  // namespace SkinUI
