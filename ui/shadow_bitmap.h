#pragma once
// The pixels of a window's shadow, computed on their own so that they can be checked one by one.
#include <cstdint>

#include "skinui/render/bitmap.h"

struct SoftShadow {
    int size = 0;       // -20 to 20: how far the shadow reaches beyond the window
    int sharpness = 5;  // 0 to 20: how long it fades
    int darkness = 150; // 0 to 255: its opacity at the full part
    int x = 5, y = 5;   // where it sits against the window
    std::uint32_t colorRef = 0;  // colour reference: red in the lowest byte, then green, then blue
};

// The soft shadow for a window of this size with this rounded region (ellipse 0,0: square):
// (width + 2 size) by (height + 2 size) premultiplied pixels, placed at the window's left +
// x - size and top + y - size. Its shape is the window's region grown by size - r, r being
// max(sharpness, size), in the middle of the bitmap; a kernel of radius r (full darkness within
// max(size - sharpness, 0) of its centre, fading over sharpness + 1 pixels beyond) is stamped on
// the shape's outline, keeping the larger value, the shape's inside is full darkness, and what the
// window itself covers stays transparent. Empty when the size leaves nothing to draw.
SkinUI::Bitmap DrawSoftShadow(SkinUI::UiSize window, SkinUI::UiSize round, const SoftShadow& shadow);

// The image shadow: the window's rectangle enlarged by the corners, the image drawn over it as a
// nine-grid whose edges keep the corner sizes of the image and are drawn corner + hole offset
// thick; the middle (under the window) is left out. Empty when nothing is left to draw.
SkinUI::Bitmap DrawImageShadow(SkinUI::UiSize window, const SkinUI::Bitmap& image, const SkinUI::UiRect& corners,
                               const SkinUI::UiRect& holeOffset);
