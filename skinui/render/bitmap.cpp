#include "skinui/render/bitmap.h"

#include <algorithm>

namespace SkinUI {

namespace {

std::uint32_t Scale(std::uint32_t channel, std::uint32_t factor) {
    // Exact rounding of channel * factor / 255.
    std::uint32_t t = channel * factor + 128;
    return (t + (t >> 8)) >> 8;
}

}  // namespace

std::uint32_t Premultiply(Colour straight) {
    std::uint32_t a = straight >> 24;
    if (a == 255) return straight;
    std::uint32_t r = Scale((straight >> 16) & 0xFF, a);
    std::uint32_t g = Scale((straight >> 8) & 0xFF, a);
    std::uint32_t b = Scale(straight & 0xFF, a);
    return (a << 24) | (r << 16) | (g << 8) | b;
}

Colour Unpremultiply(std::uint32_t pixel) {
    std::uint32_t a = pixel >> 24;
    if (a == 255 || a == 0) return a == 0 ? 0 : pixel;
    auto channel = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a); };
    return (a << 24) | (channel((pixel >> 16) & 0xFF) << 16) | (channel((pixel >> 8) & 0xFF) << 8) |
           channel(pixel & 0xFF);
}

std::uint32_t BlendPixel(std::uint32_t destination, std::uint32_t source, std::uint8_t opacity) {
    if (opacity != 255) {
        source = (Scale(source >> 24, opacity) << 24) | (Scale((source >> 16) & 0xFF, opacity) << 16) |
                 (Scale((source >> 8) & 0xFF, opacity) << 8) | Scale(source & 0xFF, opacity);
    }
    std::uint32_t sa = source >> 24;
    if (sa == 255) return source;
    if (sa == 0 && (source & 0xFFFFFF) == 0) return destination;
    std::uint32_t keep = 255 - sa;
    std::uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        std::uint32_t s = (source >> shift) & 0xFF;
        std::uint32_t d = (destination >> shift) & 0xFF;
        result |= std::min<std::uint32_t>(255, s + Scale(d, keep)) << shift;
    }
    return result;
}

Bitmap::Bitmap(int width, int height, std::uint32_t fill) { Resize(width, height, fill); }

void Bitmap::Resize(int width, int height, std::uint32_t fill) {
    m_width = std::max(0, width);
    m_height = std::max(0, height);
    m_pixels.assign(static_cast<std::size_t>(m_width) * m_height, fill);
}

void Bitmap::Clear(std::uint32_t pixel) { std::fill(m_pixels.begin(), m_pixels.end(), pixel); }

void Bitmap::FillRect(const UiRect& rect, Colour colour, const UiRect& clip) {
    UiRect area = Intersect(Intersect(rect, clip), Bounds());
    if (area.IsEmpty() || (colour >> 24) == 0) return;
    std::uint32_t pixel = Premultiply(colour);
    for (int y = area.top; y < area.bottom; ++y) {
        std::uint32_t* row = Row(y);
        for (int x = area.left; x < area.right; ++x) row[x] = BlendPixel(row[x], pixel);
    }
}

void Bitmap::FrameRect(const UiRect& rect, Colour colour, int thickness, const UiRect& clip) {
    if (thickness <= 0) return;
    FillRect({rect.left, rect.top, rect.right, rect.top + thickness}, colour, clip);
    FillRect({rect.left, rect.bottom - thickness, rect.right, rect.bottom}, colour, clip);
    FillRect({rect.left, rect.top + thickness, rect.left + thickness, rect.bottom - thickness}, colour, clip);
    FillRect({rect.right - thickness, rect.top + thickness, rect.right, rect.bottom - thickness}, colour, clip);
}

bool InsideRoundRect(int width, int height, int ellipseWidth, int ellipseHeight, int x, int y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    int rx = std::min(ellipseWidth, width) / 2;
    int ry = std::min(ellipseHeight, height) / 2;
    if (rx <= 0 || ry <= 0) return true;
    // Distance from the nearest corner's ellipse centre, measured at the pixel centre.
    double cx = x < rx ? rx : (x >= width - rx ? width - rx : x + 0.5);
    double cy = y < ry ? ry : (y >= height - ry ? height - ry : y + 0.5);
    double dx = (x + 0.5 - cx) / rx;
    double dy = (y + 0.5 - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

RowSpan RoundRectRow(int width, int height, int ellipseWidth, int ellipseHeight, int y) {
    RowSpan span{0, std::max(width, 0)};
    if (ellipseWidth <= 0 || ellipseHeight <= 0) return span;
    // Only the corners are rounded: the row's ends lie within their reach.
    const int reach = std::min(width / 2, ellipseWidth / 2 + 1);
    while (span.left < reach && !InsideRoundRect(width, height, ellipseWidth, ellipseHeight, span.left, y)) ++span.left;
    while (span.right > width - reach && !InsideRoundRect(width, height, ellipseWidth, ellipseHeight, span.right - 1, y)) {
        --span.right;
    }
    if (span.right < span.left) span.right = span.left;
    return span;
}

std::vector<UiRect> RoundRectBands(int width, int height, int ellipseWidth, int ellipseHeight) {
    std::vector<UiRect> bands;
    for (int y = 0; y < height; ++y) {
        const RowSpan span = RoundRectRow(width, height, ellipseWidth, ellipseHeight, y);
        if (span.left == span.right) continue;
        if (!bands.empty() && bands.back().bottom == y && bands.back().left == span.left &&
            bands.back().right == span.right) {
            bands.back().bottom = y + 1;
        } else {
            bands.push_back({span.left, y, span.right, y + 1});
        }
    }
    return bands;
}

void Bitmap::FillRoundRect(const UiRect& rect, int ellipseWidth, int ellipseHeight, Colour colour,
                           const UiRect& clip) {
    UiRect area = Intersect(Intersect(rect, clip), Bounds());
    if (area.IsEmpty()) return;
    std::uint32_t pixel = Premultiply(colour);
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (InsideRoundRect(rect.Width(), rect.Height(), ellipseWidth, ellipseHeight, x - rect.left,
                                y - rect.top)) {
                Row(y)[x] = BlendPixel(Row(y)[x], pixel);
            }
        }
    }
}

void Bitmap::CopyFrom(const Bitmap& source, int x, int y) {
    UiRect area = Intersect(UiRect{x, y, x + source.Width(), y + source.Height()}, Bounds());
    for (int row = area.top; row < area.bottom; ++row) {
        std::copy(source.Row(row - y) + (area.left - x), source.Row(row - y) + (area.right - x),
                  Row(row) + area.left);
    }
}

}  // namespace SkinUI
