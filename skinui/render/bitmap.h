#pragma once
// A 32-bit top-down bitmap with premultiplied alpha. A pixel is 0xAARRGGBB in a 32-bit word,
// so in memory (little endian) the bytes are B, G, R, A: the layout Cairo's ARGB32 uses too.
#include <cstdint>
#include <vector>

#include "skinui/render/geometry.h"

namespace SkinUI {

// Colours in markup are straight (not premultiplied) 0xAARRGGBB.
using Colour = std::uint32_t;

std::uint32_t Premultiply(Colour straight);
Colour Unpremultiply(std::uint32_t premultiplied);

// Source-over of a premultiplied source pixel with an extra constant opacity (255 = none).
std::uint32_t BlendPixel(std::uint32_t destination, std::uint32_t source, std::uint8_t opacity = 255);

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, std::uint32_t fill = 0);

    void Resize(int width, int height, std::uint32_t fill = 0);
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool IsEmpty() const { return m_width <= 0 || m_height <= 0; }
    UiRect Bounds() const { return {0, 0, m_width, m_height}; }

    std::uint32_t* Row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * m_width; }
    const std::uint32_t* Row(int y) const {
        return m_pixels.data() + static_cast<std::size_t>(y) * m_width;
    }
    std::uint32_t At(int x, int y) const { return Row(y)[x]; }
    void Set(int x, int y, std::uint32_t pixel) { Row(y)[x] = pixel; }
    std::uint32_t* Data() { return m_pixels.data(); }
    const std::uint32_t* Data() const { return m_pixels.data(); }
    int Stride() const { return m_width * 4; }

    void Clear(std::uint32_t pixel = 0);
    // Blends a straight colour over the part of the rectangle that lies inside the clip.
    void FillRect(const UiRect& rect, Colour colour, const UiRect& clip);
    // A frame of the given thickness inside the rectangle.
    void FrameRect(const UiRect& rect, Colour colour, int thickness, const UiRect& clip);
    // A rectangle with rounded corners (ellipse width and height as a window region uses).
    void FillRoundRect(const UiRect& rect, int ellipseWidth, int ellipseHeight, Colour colour,
                       const UiRect& clip);
    // Copies another bitmap's pixels to the given place, unblended.
    void CopyFrom(const Bitmap& source, int x, int y);

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels;
};

// Whether a point lies inside a rounded rectangle with the given ellipse (window regions).
bool InsideRoundRect(int width, int height, int ellipseWidth, int ellipseHeight, int x, int y);
// Row y of that shape: the columns [left, right) inside it (one span: the shape is convex).
struct RowSpan {
    int left = 0;
    int right = 0;
};
RowSpan RoundRectRow(int width, int height, int ellipseWidth, int ellipseHeight, int y);
// The same shape as rectangles, top to bottom, each band of rows with one span: a window system
// takes a handful of them where a mask of every pixel costs milliseconds.
std::vector<UiRect> RoundRectBands(int width, int height, int ellipseWidth, int ellipseHeight);

}  // namespace SkinUI
