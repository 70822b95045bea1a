#pragma once
// Decoded skin images and PNG output.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skinui/render/bitmap.h"

namespace SkinUI {

struct Image {
    Bitmap bitmap;          // premultiplied
    bool hasAlpha = false;  // some pixel is not fully opaque
};

// Decodes PNG (and the other formats stb_image knows) from memory. Pixels whose colour equals
// the mask (0xRRGGBB, used only when hasMask) become transparent. Null when undecodable.
std::shared_ptr<Image> DecodeImage(const std::vector<std::uint8_t>& bytes, bool hasMask = false,
                                   std::uint32_t mask = 0);

// A PNG file (8-bit RGBA, straight alpha) of the bitmap.
std::vector<std::uint8_t> EncodePng(const Bitmap& bitmap);
bool WritePng(const Bitmap& bitmap, const std::wstring& path);

}  // namespace SkinUI
