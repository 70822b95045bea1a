#pragma once
// The X server's screen as a bitmap, read from an X window dump (xwd), for tests on Xvfb.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "skinui/render/window_dump.h"
#include "tests/support/temp_folder.h"

namespace testing_support {

// The whole screen from an X window dump; empty when the file cannot be read or decoded.
inline SkinUI::Bitmap ReadScreenDump(const std::string& path) {
    const auto bytes = ReadFile(platform::PathFromNative(path));
    return bytes ? SkinUI::DecodeWindowDump(*bytes) : SkinUI::Bitmap();
}

// An X window dump as xwd writes it, of rows of 0xRRGGBB pixels: Z format, the given bits a
// pixel (24 or 32) and byte order, each line padded to 4 bytes, a window name and two colour
// entries that the pixels follow. Masks, format or the file's length can be spoilt afterwards.
inline std::string MakeWindowDump(int width, const std::vector<std::uint32_t>& pixels, int bitsPerPixel,
                                  bool lsbFirst) {
    const std::string name = "KelvoKidsInstaller";
    const std::uint32_t height = static_cast<std::uint32_t>(pixels.size() / width);
    const std::uint32_t pixelBytes = bitsPerPixel / 8, bytesPerLine = (width * pixelBytes + 3) / 4 * 4;
    const std::uint32_t header = 25 * 4 + static_cast<std::uint32_t>(name.size()) + 1, colours = 2;
    const std::uint32_t fields[25] = {header, 7, 2, 24, static_cast<std::uint32_t>(width), height, 0,
                                      lsbFirst ? 0u : 1u, 32, 1, 32, static_cast<std::uint32_t>(bitsPerPixel),
                                      bytesPerLine, 4, 0xFF0000, 0xFF00, 0xFF, 8, 256, colours,
                                      static_cast<std::uint32_t>(width), height, 0, 0, 0};
    std::string bytes;
    for (std::uint32_t field : fields) {
        for (int shift : {24, 16, 8, 0}) bytes += static_cast<char>(field >> shift & 0xFF);
    }
    bytes += name;
    bytes += '\0';
    bytes.append(colours * 12, '\x5A');
    for (std::uint32_t y = 0; y < height; ++y) {
        std::string line(bytesPerLine, '\0');
        for (int x = 0; x < width; ++x) {
            const std::uint32_t value = pixels[y * width + x];
            for (std::uint32_t i = 0; i < pixelBytes; ++i) {
                line[x * pixelBytes + i] = static_cast<char>(value >> (8 * (lsbFirst ? i : pixelBytes - 1 - i)) & 0xFF);
            }
        }
        bytes += line;
    }
    return bytes;
}

// Overwrites one of a dump's header fields.
inline void SetDumpField(std::string& dump, int index, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) dump[index * 4 + i] = static_cast<char>(value >> (24 - 8 * i) & 0xFF);
}

}  // namespace testing_support
