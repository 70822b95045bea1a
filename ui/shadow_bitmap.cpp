#include "ui/shadow_bitmap.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "skinui/render/image_draw.h"

using SkinUI::Bitmap;
using SkinUI::UiRect;
using SkinUI::UiSize;

namespace {

// A window's region row by row: the columns [left, right) of each row that lie inside it.
using Span = SkinUI::RowSpan;

std::vector<Span> RegionSpans(int width, int height, UiSize round) {
    std::vector<Span> spans(static_cast<std::size_t>(std::max(height, 0)));
    for (int y = 0; y < height; ++y) spans[static_cast<std::size_t>(y)] = SkinUI::RoundRectRow(width, height, round.cx, round.cy, y);
    return spans;
}

std::uint32_t ShadowPixel(std::uint32_t colorRef, int alpha) {
    const std::uint32_t a = static_cast<std::uint32_t>(std::clamp(alpha, 0, 255));
    const std::uint32_t red = colorRef & 0xFF, green = (colorRef >> 8) & 0xFF, blue = (colorRef >> 16) & 0xFF;
    return a << 24 | (red * a / 255) << 16 | (green * a / 255) << 8 | (blue * a / 255);
}

}  // namespace

Bitmap DrawSoftShadow(UiSize window, UiSize round, const SoftShadow& shadow) {
    const int size = std::clamp(shadow.size, -20, 20), sharpness = std::clamp(shadow.sharpness, 0, 20);
    const int darkness = std::clamp(shadow.darkness, 0, 255);
    const long long width = static_cast<long long>(window.cx) + 2 * size;
    const long long height = static_cast<long long>(window.cy) + 2 * size;
    if (window.cx <= 0 || window.cy <= 0 || width <= 0 || height <= 0 || width > 32768 || height > 32768) return {};
    Bitmap pixels(static_cast<int>(width), static_cast<int>(height), 0);

    const int radius = std::max(sharpness, size);
    const int centre = std::max(size - sharpness, 0);
    const int side = 2 * radius + 1;
    std::vector<std::uint32_t> kernel(static_cast<std::size_t>(side) * side);
    for (int ky = -radius; ky <= radius; ++ky) {
        for (int kx = -radius; kx <= radius; ++kx) {
            const double d = std::sqrt(static_cast<double>(kx * kx + ky * ky));
            int alpha = 0;
            if (d <= centre) alpha = darkness;
            else if (d <= radius) alpha = static_cast<int>((1.0 - (d - centre) / (sharpness + 1)) * darkness);
            kernel[static_cast<std::size_t>(ky + radius) * side + (kx + radius)] = ShadowPixel(shadow.colorRef, alpha);
        }
    }

    // The shape: the window's region grown by size - radius, in the middle of the bitmap.
    const int shapeLeft = radius, shapeTop = radius;
    const int shapeWidth = static_cast<int>(width) - 2 * radius, shapeHeight = static_cast<int>(height) - 2 * radius;
    if (shapeWidth > 0 && shapeHeight > 0) {
        const std::vector<Span> shape = RegionSpans(shapeWidth, shapeHeight, round);
        auto stamp = [&](int cx, int cy) {
            for (int ky = -radius; ky <= radius; ++ky) {
                const int y = cy + ky;
                if (y < 0 || y >= pixels.Height()) continue;
                std::uint32_t* row = pixels.Row(y);
                const std::uint32_t* k = kernel.data() + static_cast<std::size_t>(ky + radius) * side;
                for (int kx = -radius; kx <= radius; ++kx) {
                    const int x = cx + kx;
                    if (x >= 0 && x < pixels.Width()) row[x] = std::max(row[x], k[kx + radius]);
                }
            }
        };
        const std::uint32_t full = ShadowPixel(shadow.colorRef, darkness);
        for (int y = 0; y < shapeHeight; ++y) {
            const Span& span = shape[static_cast<std::size_t>(y)];
            const Span above = y > 0 ? shape[static_cast<std::size_t>(y - 1)] : Span{};
            const Span below = y + 1 < shapeHeight ? shape[static_cast<std::size_t>(y + 1)] : Span{};
            for (int x = span.left; x < span.right; ++x) {
                // A point of the outline has a neighbour outside the shape.
                const bool outline = x == span.left || x == span.right - 1 || x < above.left || x >= above.right ||
                                     x < below.left || x >= below.right;
                if (outline) stamp(shapeLeft + x, shapeTop + y);
                else pixels.Set(shapeLeft + x, shapeTop + y, std::max(pixels.At(shapeLeft + x, shapeTop + y), full));
            }
        }
    }

    // What the window covers stays clear.
    const int windowLeft = size - shadow.x, windowTop = size - shadow.y;
    const std::vector<Span> covered = RegionSpans(window.cx, window.cy, round);
    for (int y = 0; y < window.cy; ++y) {
        const int row = windowTop + y;
        if (row < 0 || row >= pixels.Height()) continue;
        const Span& span = covered[static_cast<std::size_t>(y)];
        const int from = std::clamp(windowLeft + span.left, 0, pixels.Width());
        const int to = std::clamp(windowLeft + span.right, 0, pixels.Width());
        std::fill(pixels.Row(row) + from, pixels.Row(row) + to, 0u);
    }
    return pixels;
}

Bitmap DrawImageShadow(UiSize window, const Bitmap& image, const UiRect& corners, const UiRect& holeOffset) {
    const UiRect c{std::max(corners.left, 0), std::max(corners.top, 0), std::max(corners.right, 0),
                   std::max(corners.bottom, 0)};
    const long long width = static_cast<long long>(window.cx) + c.left + c.right;
    const long long height = static_cast<long long>(window.cy) + c.top + c.bottom;
    if (image.IsEmpty() || window.cx <= 0 || window.cy <= 0 || width <= 0 || height <= 0 || width > 32768 ||
        height > 32768) {
        return {};
    }
    Bitmap pixels(static_cast<int>(width), static_cast<int>(height), 0);
    const int w = pixels.Width(), h = pixels.Height();
    // Source corners inside the image; destination edges as thick as the corner and the hole offset.
    const int sl = std::min(c.left, image.Width() / 2), sr = std::min(c.right, image.Width() / 2);
    const int st = std::min(c.top, image.Height() / 2), sb = std::min(c.bottom, image.Height() / 2);
    const int dl = std::clamp(c.left + holeOffset.left, 0, w / 2), dr = std::clamp(c.right + holeOffset.right, 0, w / 2);
    const int dt = std::clamp(c.top + holeOffset.top, 0, h / 2), db = std::clamp(c.bottom + holeOffset.bottom, 0, h / 2);
    const int iw = image.Width(), ih = image.Height();
    struct Piece {
        UiRect dest, source;
    };
    const Piece pieces[] = {
        {{0, 0, dl, dt}, {0, 0, sl, st}},
        {{dl, 0, w - dr, dt}, {sl, 0, iw - sr, st}},
        {{w - dr, 0, w, dt}, {iw - sr, 0, iw, st}},
        {{0, dt, dl, h - db}, {0, st, sl, ih - sb}},
        {{w - dr, dt, w, h - db}, {iw - sr, st, iw, ih - sb}},
        {{0, h - db, dl, h}, {0, ih - sb, sl, ih}},
        {{dl, h - db, w - dr, h}, {sl, ih - sb, iw - sr, ih}},
        {{w - dr, h - db, w, h}, {iw - sr, ih - sb, iw, ih}},
    };
    for (const Piece& piece : pieces) SkinUI::StretchPiece(pixels, image, piece.dest, piece.source, pixels.Bounds(), false, 255);
    return pixels;
}
