#include "skinui/render/image.h"

#include <stb_image.h>
#include <zlib.h>

#include <string>

#include "platform/file_system.h"

namespace SkinUI {

std::shared_ptr<Image> DecodeImage(const std::vector<std::uint8_t>& bytes, bool hasMask,
                                   std::uint32_t mask) {
    if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return nullptr;
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgba = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height,
                                          &channels, 4);
    if (!rgba) return nullptr;
    auto image = std::make_shared<Image>();
    image->bitmap.Resize(width, height);
    const stbi_uc* p = rgba;
    for (int y = 0; y < height; ++y) {
        std::uint32_t* row = image->bitmap.Row(y);
        for (int x = 0; x < width; ++x, p += 4) {
            std::uint32_t colour = (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[0]) << 16) |
                                   (std::uint32_t(p[1]) << 8) | p[2];
            if (hasMask && (colour & 0xFFFFFF) == (mask & 0xFFFFFF)) colour = 0;
            if ((colour >> 24) != 255) image->hasAlpha = true;
            row[x] = Premultiply(colour);
        }
    }
    stbi_image_free(rgba);
    return image;
}

namespace {

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    PutBigEndian(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const Bitmap& bitmap) {
    int width = bitmap.Width(), height = bitmap.Height();
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(height) * (width * 4 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        const std::uint32_t* row = bitmap.Row(y);
        for (int x = 0; x < width; ++x) {
            Colour c = Unpremultiply(row[x]);
            raw.push_back((c >> 16) & 0xFF);
            raw.push_back((c >> 8) & 0xFF);
            raw.push_back(c & 0xFF);
            raw.push_back(c >> 24);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return {};
    packed.resize(packedSize);

    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return png;
}

bool WritePng(const Bitmap& bitmap, const std::wstring& path) {
    std::vector<std::uint8_t> png = EncodePng(bitmap);
    if (png.empty()) return false;
    return platform::WriteFileAtomically(path, std::string(png.begin(), png.end()));
}

}  // namespace SkinUI
