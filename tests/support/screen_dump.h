#pragma once
// The X server's screen as a bitmap, read from an X window dump (xwd), for tests on Xvfb.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "skinui/render/bitmap.h"

namespace testing_support {

// The whole screen from an X window dump (24 or 32 bits a pixel, either byte order).
inline SkinUI::Bitmap ReadScreenDump(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto field = [&](int index) {
        const unsigned char* p = bytes.data() + index * 4;
        return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
    };
    if (bytes.size() < 100) return {};
    const std::uint32_t headerSize = field(0), width = field(4), height = field(5), lsbFirst = field(7) == 0,
                        bitsPerPixel = field(11), bytesPerLine = field(12), colours = field(19);
    const std::size_t start = headerSize + colours * 12;
    const std::uint32_t pixelBytes = bitsPerPixel / 8;
    if ((pixelBytes != 3 && pixelBytes != 4) || start + std::size_t(bytesPerLine) * height > bytes.size()) return {};
    SkinUI::Bitmap screen(static_cast<int>(width), static_cast<int>(height));
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const unsigned char* p = bytes.data() + start + std::size_t(y) * bytesPerLine + x * pixelBytes;
            std::uint32_t value = 0;
            for (std::uint32_t i = 0; i < pixelBytes; ++i) {
                value |= static_cast<std::uint32_t>(p[i]) << (8 * (lsbFirst ? i : pixelBytes - 1 - i));
            }
            screen.Set(static_cast<int>(x), static_cast<int>(y), 0xFF000000 | (value & 0xFFFFFF));
        }
    }
    return screen;
}

}  // namespace testing_support
