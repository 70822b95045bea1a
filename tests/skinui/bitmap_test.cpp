#include <gtest/gtest.h>
#include <stb_image.h>

#include "skinui/render/image.h"

using namespace SkinUI;

TEST(Bitmap, PremultiplyRoundTripsOpaqueAndTransparent) {
    EXPECT_EQ(Premultiply(0xFF123456), 0xFF123456u);
    EXPECT_EQ(Premultiply(0x00FFFFFF), 0u);
    EXPECT_EQ(Premultiply(0x80FF0000), 0x80800000u);
    EXPECT_EQ(Unpremultiply(0x80800000), 0x80FF0000u);
}

TEST(Bitmap, FillRectBlendsAndStaysInsideTheClip) {
    Bitmap b(4, 4, 0xFFFFFFFF);
    b.FillRect({-2, -2, 10, 10}, 0x80000000, {1, 1, 3, 3});
    EXPECT_EQ(b.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(b.At(1, 1), 0xFF7F7F7Fu);
    EXPECT_EQ(b.At(3, 3), 0xFFFFFFFFu);
    b.FillRect({0, 0, 4, 4}, 0x00FF0000, b.Bounds());  // transparent colour: no change
    EXPECT_EQ(b.At(0, 0), 0xFFFFFFFFu);
}

TEST(Bitmap, RoundRectLeavesTheCornersOut) {
    EXPECT_FALSE(InsideRoundRect(100, 100, 20, 20, 0, 0));
    EXPECT_TRUE(InsideRoundRect(100, 100, 20, 20, 10, 0));
    EXPECT_TRUE(InsideRoundRect(100, 100, 20, 20, 50, 50));
    EXPECT_FALSE(InsideRoundRect(100, 100, 20, 20, 99, 99));
    EXPECT_TRUE(InsideRoundRect(100, 100, 0, 0, 0, 0));
}

// A window's shape goes to the X server as bands: they must cover the same pixels, each once.
TEST(Bitmap, RoundRectBandsCoverExactlyTheRoundRect) {
    const struct { int width, height, ellipseWidth, ellipseHeight; } shapes[] = {
        {600, 400, 12, 12}, {100, 60, 21, 9}, {30, 30, 60, 60}, {7, 5, 0, 0}, {1, 1, 4, 4}, {50, 3, 8, 8}};
    for (const auto& shape : shapes) {
        std::vector<int> covered(shape.width * shape.height, 0);
        int lastBottom = 0;
        for (const UiRect& band : RoundRectBands(shape.width, shape.height, shape.ellipseWidth, shape.ellipseHeight)) {
            EXPECT_GE(band.top, lastBottom);  // top to bottom, never overlapping
            lastBottom = band.bottom;
            for (int y = band.top; y < band.bottom; ++y) {
                for (int x = band.left; x < band.right; ++x) ++covered[y * shape.width + x];
            }
        }
        for (int y = 0; y < shape.height; ++y) {
            for (int x = 0; x < shape.width; ++x) {
                const bool inside = InsideRoundRect(shape.width, shape.height, shape.ellipseWidth, shape.ellipseHeight, x, y);
                ASSERT_EQ(covered[y * shape.width + x], inside ? 1 : 0)
                    << shape.width << "x" << shape.height << " ellipse " << shape.ellipseWidth << "x"
                    << shape.ellipseHeight << " at " << x << "," << y;
            }
        }
    }
}

TEST(Png, EncodedImageDecodesToTheSamePixels) {
    Bitmap b(3, 2);
    const std::uint32_t pixels[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00000000, Premultiply(0x80FFFFFF), 0xFF102030};
    for (int i = 0; i < 6; ++i) b.Set(i % 3, i / 3, pixels[i]);
    std::vector<std::uint8_t> png = EncodePng(b);
    ASSERT_GT(png.size(), 8u);
    std::shared_ptr<Image> back = DecodeImage(png);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->hasAlpha);
    ASSERT_EQ(back->bitmap.Width(), 3);
    ASSERT_EQ(back->bitmap.Height(), 2);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(back->bitmap.At(i % 3, i / 3), pixels[i]) << i;
}

TEST(Png, MaskColourBecomesTransparentAndGarbageDecodesToNothing) {
    Bitmap b(2, 1);
    b.Set(0, 0, 0xFFFF00FF);
    b.Set(1, 0, 0xFF00FF00);
    std::shared_ptr<Image> masked = DecodeImage(EncodePng(b), true, 0xFF00FF);
    ASSERT_TRUE(masked);
    EXPECT_EQ(masked->bitmap.At(0, 0), 0u);
    EXPECT_EQ(masked->bitmap.At(1, 0), 0xFF00FF00u);
    std::shared_ptr<Image> opaque = DecodeImage(EncodePng(Bitmap(1, 1, 0xFF000000)));
    ASSERT_TRUE(opaque);
    EXPECT_FALSE(opaque->hasAlpha);
    EXPECT_FALSE(DecodeImage({1, 2, 3}));
}
