#include "skinui/render/image_draw.h"

#include <algorithm>

namespace SkinUI {

void StretchPiece(Bitmap& target, const Bitmap& image, const UiRect& dest, const UiRect& source,
                  const UiRect& clip, bool blend, std::uint8_t fade) {
    if (dest.IsEmpty() || source.IsEmpty()) return;
    UiRect src = Intersect(source, image.Bounds());
    if (src != source) return;  // a source outside the image draws nothing rather than garbage
    UiRect area = Intersect(Intersect(dest, clip), target.Bounds());
    if (area.IsEmpty()) return;
    const long long dw = dest.Width(), dh = dest.Height();
    const long long sw = source.Width(), sh = source.Height();
    for (int y = area.top; y < area.bottom; ++y) {
        int sy = source.top + static_cast<int>((y - dest.top) * sh / dh);
        const std::uint32_t* from = image.Row(sy);
        std::uint32_t* to = target.Row(y);
        for (int x = area.left; x < area.right; ++x) {
            int sx = source.left + static_cast<int>((x - dest.left) * sw / dw);
            to[x] = blend ? BlendPixel(to[x], from[sx], fade) : from[sx];
        }
    }
}

namespace {

// The centre: stretched, or repeated along the tiled axes in steps of the source centre's size,
// the last copy cut (its source cut the same way).
void DrawCentre(Bitmap& target, const Bitmap& image, const UiRect& dest, const UiRect& source,
                const ImagePieces& p, bool blend) {
    if (dest.IsEmpty() || source.IsEmpty() || !Intersects(dest, p.paint)) return;
    if (!p.xtiled && !p.ytiled) {
        StretchPiece(target, image, dest, source, p.paint, blend, p.fade);
        return;
    }
    const int sw = source.Width(), sh = source.Height();
    const int columns = p.xtiled ? (dest.Width() + sw - 1) / sw : 1;
    const int rows = p.ytiled ? (dest.Height() + sh - 1) / sh : 1;
    for (int row = 0; row < rows; ++row) {
        UiRect d = dest, s = source;
        if (p.ytiled) {
            d.top = dest.top + row * sh;
            d.bottom = std::min(dest.bottom, d.top + sh);
            s.bottom = s.top + d.Height();
        }
        for (int column = 0; column < columns; ++column) {
            if (p.xtiled) {
                d.left = dest.left + column * sw;
                d.right = std::min(dest.right, d.left + sw);
                s.left = source.left;
                s.right = s.left + d.Width();
            }
            StretchPiece(target, image, d, s, p.paint, blend, p.fade);
        }
    }
}

void DrawGrid(Bitmap& target, const Bitmap& image, const ImagePieces& p, bool blend) {
    const UiRect& d = p.dest;
    const UiRect& s = p.source;
    const UiRect& c = p.corners;
    if (!p.hole) {
        DrawCentre(target, image, d.Deflated(c), s.Deflated(c), p, blend);
    }
    struct Piece {
        bool wanted;
        UiRect dest, source;
    };
    const Piece pieces[] = {
        {c.left > 0 && c.top > 0, {d.left, d.top, d.left + c.left, d.top + c.top},
         {s.left, s.top, s.left + c.left, s.top + c.top}},
        {c.top > 0, {d.left + c.left, d.top, d.right - c.right, d.top + c.top},
         {s.left + c.left, s.top, s.right - c.right, s.top + c.top}},
        {c.right > 0 && c.top > 0, {d.right - c.right, d.top, d.right, d.top + c.top},
         {s.right - c.right, s.top, s.right, s.top + c.top}},
        {c.left > 0, {d.left, d.top + c.top, d.left + c.left, d.bottom - c.bottom},
         {s.left, s.top + c.top, s.left + c.left, s.bottom - c.bottom}},
        {c.right > 0, {d.right - c.right, d.top + c.top, d.right, d.bottom - c.bottom},
         {s.right - c.right, s.top + c.top, s.right, s.bottom - c.bottom}},
        {c.left > 0 && c.bottom > 0, {d.left, d.bottom - c.bottom, d.left + c.left, d.bottom},
         {s.left, s.bottom - c.bottom, s.left + c.left, s.bottom}},
        {c.bottom > 0, {d.left + c.left, d.bottom - c.bottom, d.right - c.right, d.bottom},
         {s.left + c.left, s.bottom - c.bottom, s.right - c.right, s.bottom}},
        {c.right > 0 && c.bottom > 0, {d.right - c.right, d.bottom - c.bottom, d.right, d.bottom},
         {s.right - c.right, s.bottom - c.bottom, s.right, s.bottom}},
    };
    for (const Piece& piece : pieces) {
        if (piece.wanted && Intersects(piece.dest, p.paint)) {
            StretchPiece(target, image, piece.dest, piece.source, p.paint, blend, p.fade);
        }
    }
}

}  // namespace

void DrawImagePieces(Bitmap& target, const Bitmap& image, const ImagePieces& p) {
    if (p.alpha || p.fade < 255) {
        DrawGrid(target, image, p, true);
        return;
    }
    if (p.dest.Width() != p.source.Width() || p.dest.Height() != p.source.Height() || !p.corners.IsZero()) {
        DrawGrid(target, image, p, false);
        return;
    }
    // Opaque at its own size: a one-to-one copy of what meets the paint rectangle.
    StretchPiece(target, image, p.dest, p.source, p.paint, false, 255);
}

}  // namespace SkinUI
