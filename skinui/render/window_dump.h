#pragma once
// An X window dump (the file xwd writes) read into a bitmap: what tests on Xvfb compare with the
// pixels they expected, and what the demo turns into its PNG screenshots.
#include <cstdint>
#include <string>

#include "skinui/render/bitmap.h"

namespace SkinUI {

// A dump of a true-colour window or screen: Z format, 24 or 32 bits a pixel in either byte order,
// 8 bits a colour in the usual places (red 0xFF0000, green 0xFF00, blue 0xFF). Opaque pixels;
// empty for anything else, or for a file cut short.
Bitmap DecodeWindowDump(const std::string& bytes);

}  // namespace SkinUI
