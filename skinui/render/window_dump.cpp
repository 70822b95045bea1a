#include "skinui/render/window_dump.h"

namespace SkinUI {

namespace {

// The header's fields are 32-bit words, most significant byte first whatever the image's order.
enum Field {
    kHeaderSize = 0,
    kFormat = 2,
    kWidth = 4,
    kHeight = 5,
    kByteOrder = 7,
    kBitsPerPixel = 11,
    kBytesPerLine = 12,
    kRedMask = 14,
    kGreenMask = 15,
    kBlueMask = 16,
    kColours = 19,
    kFieldCount = 25,
};
constexpr std::uint32_t kZPixmap = 2;
constexpr std::size_t kColourEntrySize = 12;

}  // namespace

Bitmap DecodeWindowDump(const std::string& bytes) {
    if (bytes.size() < kFieldCount * 4) return {};
    auto field = [&](int index) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + index * 4;
        return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
               static_cast<std::uint32_t>(p[2]) << 8 | p[3];
    };
    const std::uint32_t width = field(kWidth), height = field(kHeight), bitsPerPixel = field(kBitsPerPixel);
    const std::uint32_t pixelBytes = bitsPerPixel / 8;
    const bool lsbFirst = field(kByteOrder) == 0;
    if (field(kFormat) != kZPixmap || (bitsPerPixel != 24 && bitsPerPixel != 32) || field(kRedMask) != 0xFF0000 ||
        field(kGreenMask) != 0xFF00 || field(kBlueMask) != 0xFF || width == 0 || height == 0) {
        return {};
    }
    // The header (with the window's name) and the colour table come before the pixels, which the
    // file must hold whole: so a damaged header cannot ask for more memory than the file has.
    const std::size_t start = std::size_t(field(kHeaderSize)) + std::size_t(field(kColours)) * kColourEntrySize;
    const std::size_t bytesPerLine = field(kBytesPerLine);
    if (bytesPerLine < std::size_t(width) * pixelBytes || start > bytes.size() ||
        (bytes.size() - start) / bytesPerLine < height) {
        return {};
    }
    Bitmap picture(static_cast<int>(width), static_cast<int>(height));
    const auto* pixels = reinterpret_cast<const unsigned char*>(bytes.data()) + start;
    for (std::uint32_t y = 0; y < height; ++y) {
        const unsigned char* row = pixels + y * bytesPerLine;
        for (std::uint32_t x = 0; x < width; ++x) {
            const unsigned char* p = row + x * pixelBytes;
            std::uint32_t value = 0;
            for (std::uint32_t i = 0; i < pixelBytes; ++i) {
                value |= static_cast<std::uint32_t>(p[i]) << (8 * (lsbFirst ? i : pixelBytes - 1 - i));
            }
            picture.Set(static_cast<int>(x), static_cast<int>(y), 0xFF000000 | (value & 0xFFFFFF));
        }
    }
    return picture;
}

}  // namespace SkinUI
