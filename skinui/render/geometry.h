#pragma once
// Plain rectangles, sizes and points in pixels. Rectangles are half-open: right and bottom are
// one past the last pixel, as window coordinates are.
#include <algorithm>

namespace SkinUI {

struct UiPoint {
    int x = 0, y = 0;
    bool operator==(const UiPoint&) const = default;
};

struct UiSize {
    int cx = 0, cy = 0;
    bool operator==(const UiSize&) const = default;
};

struct UiRect {
    int left = 0, top = 0, right = 0, bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool IsZero() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool Contains(UiPoint point) const {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }
    void Offset(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
    // Shrinks by the four values of an inset rectangle.
    UiRect Deflated(const UiRect& inset) const {
        return {left + inset.left, top + inset.top, right - inset.right, bottom - inset.bottom};
    }
    bool operator==(const UiRect&) const = default;
};

// The common part of two rectangles; empty (all zero) when they do not meet.
inline UiRect Intersect(const UiRect& a, const UiRect& b) {
    UiRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
    if (r.IsEmpty()) return {};
    return r;
}

inline bool Intersects(const UiRect& a, const UiRect& b) { return !Intersect(a, b).IsEmpty(); }

// The smallest rectangle holding both; an empty one adds nothing.
inline UiRect Union(const UiRect& a, const UiRect& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

}  // namespace SkinUI
