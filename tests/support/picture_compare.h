#pragma once
// Comparing a fresh render with a reviewed picture. Anti-aliased text may move by a pixel
// between font library versions, so single pixels may differ a little; a control that is gone,
// moved or drawn in another colour makes a dense patch of differing pixels, and a patch as small
// as a check mark fails the comparison.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "skinui/render/bitmap.h"

namespace testing_support {

struct PictureDifference {
    double share = 0;    // of all pixels, those that differ
    int worstTile = 0;   // the most differing pixels in one 8 x 8 tile
    bool Matches() const { return share < 0.002 && worstTile <= 16; }
};

inline PictureDifference ComparePictures(const SkinUI::Bitmap& a, const SkinUI::Bitmap& b) {
    PictureDifference difference;
    if (a.Width() != b.Width() || a.Height() != b.Height()) {
        difference.share = 1;
        difference.worstTile = 64;
        return difference;
    }
    constexpr int kTile = 8;
    constexpr int kTolerance = 24;  // per channel
    const int tilesAcross = (a.Width() + kTile - 1) / kTile;
    const int tilesDown = (a.Height() + kTile - 1) / kTile;
    std::vector<int> tiles(static_cast<std::size_t>(tilesAcross) * tilesDown);
    long differing = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const std::uint32_t p = a.At(x, y), q = b.At(x, y);
            for (int shift = 0; shift < 32; shift += 8) {
                const int d = std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF));
                if (d > kTolerance) {
                    ++differing;
                    ++tiles[static_cast<std::size_t>(y / kTile) * tilesAcross + x / kTile];
                    break;
                }
            }
        }
    }
    difference.share = static_cast<double>(differing) / (static_cast<double>(a.Width()) * a.Height());
    difference.worstTile = tiles.empty() ? 0 : *std::max_element(tiles.begin(), tiles.end());
    return difference;
}

}  // namespace testing_support
