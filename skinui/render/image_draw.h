#pragma once
// Drawing an image into a bitmap as a nine-grid: corners at their own size, edges stretched
// along their length, the centre stretched or tiled (or left out), with a constant opacity.
#include <cstdint>

#include "skinui/render/bitmap.h"
#include "skinui/render/image.h"

namespace SkinUI {

struct ImagePieces {
    UiRect dest;     // where, in target coordinates
    UiRect paint;    // only pixels inside it are touched
    UiRect source;   // which part of the image
    UiRect corners;  // insets (left, top, right, bottom) that are never stretched
    bool alpha = false;
    std::uint8_t fade = 255;
    bool hole = false;
    bool xtiled = false;
    bool ytiled = false;
};

void DrawImagePieces(Bitmap& target, const Bitmap& image, const ImagePieces& pieces);

// One piece: the source rectangle stretched (nearest pixel) over the destination rectangle,
// blended or copied, touching only the clip.
void StretchPiece(Bitmap& target, const Bitmap& image, const UiRect& dest, const UiRect& source,
                  const UiRect& clip, bool blend, std::uint8_t fade);

}  // namespace SkinUI
