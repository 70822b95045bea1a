#include <gtest/gtest.h>

#include "skinui/render/image_draw.h"

using namespace SkinUI;

namespace {

constexpr std::uint32_t kBlank = 0xFFFFFFFF;

// An opaque image whose every pixel tells where it came from: 0xFF00yyxx.
Bitmap Numbered(int width, int height) {
    Bitmap image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.Set(x, y, 0xFF000000u | (y << 8) | x);
    return image;
}

int SourceX(std::uint32_t pixel) { return pixel & 0xFF; }
int SourceY(std::uint32_t pixel) { return (pixel >> 8) & 0xFF; }

ImagePieces Pieces(UiRect dest, UiRect paint, UiRect source, UiRect corners = {}) {
    ImagePieces p;
    p.dest = dest;
    p.paint = paint;
    p.source = source;
    p.corners = corners;
    return p;
}

}  // namespace

TEST(ImageDraw, OneToOneCopyTouchesOnlyThePaintRectangle) {
    Bitmap image = Numbered(10, 10);
    Bitmap target(20, 20, kBlank);
    ImagePieces p = Pieces({5, 5, 15, 15}, {0, 0, 10, 10}, {0, 0, 10, 10});
    DrawImagePieces(target, image, p);
    EXPECT_EQ(target.At(5, 5), image.At(0, 0));
    EXPECT_EQ(target.At(9, 9), image.At(4, 4));
    EXPECT_EQ(target.At(10, 10), kBlank);  // outside the paint rectangle
    EXPECT_EQ(target.At(4, 4), kBlank);
}

TEST(ImageDraw, NineGridKeepsCornersAndStretchesOnlyTheMiddle) {
    // A progress track: 10 x 8 image with 2-pixel corners drawn 520 x 8.
    Bitmap image = Numbered(10, 8);
    Bitmap target(520, 8, kBlank);
    ImagePieces p = Pieces({0, 0, 520, 8}, {0, 0, 520, 8}, {0, 0, 10, 8}, {2, 2, 2, 2});
    DrawImagePieces(target, image, p);
    for (int x : {0, 1}) EXPECT_EQ(SourceX(target.At(x, 0)), x);
    for (int x : {518, 519}) EXPECT_EQ(SourceX(target.At(x, 0)), x - 510);
    // The middle comes from the source centre (columns 2 to 7) only.
    for (int x = 2; x < 518; ++x) {
        int sx = SourceX(target.At(x, 4));
        ASSERT_GE(sx, 2) << x;
        ASSERT_LE(sx, 7) << x;
    }
    EXPECT_EQ(SourceY(target.At(260, 0)), 0);  // top edge keeps its thickness
    EXPECT_EQ(SourceY(target.At(260, 7)), 7);
}

TEST(ImageDraw, HoleLeavesTheCentreUntouched) {
    Bitmap image = Numbered(6, 6);
    Bitmap target(12, 12, kBlank);
    ImagePieces p = Pieces({0, 0, 12, 12}, {0, 0, 12, 12}, {0, 0, 6, 6}, {2, 2, 2, 2});
    p.hole = true;
    DrawImagePieces(target, image, p);
    EXPECT_EQ(target.At(6, 6), kBlank);
    EXPECT_NE(target.At(0, 0), kBlank);
    EXPECT_NE(target.At(6, 0), kBlank);
}

TEST(ImageDraw, TilingRepeatsTheCentreAndCutsTheLastCopy) {
    struct Case {
        bool xtiled, ytiled;
        int x, y, expectedX, expectedY;
    } cases[] = {
        {true, false, 0, 0, 0, 0},  {true, false, 4, 0, 0, 0},   {true, false, 9, 0, 1, 0},
        {false, true, 0, 4, 0, 0},  {false, true, 0, 10, 0, 2},  {true, true, 5, 9, 1, 1},
    };
    for (const Case& c : cases) {
        Bitmap image = Numbered(4, 4);
        Bitmap target(10, 11, kBlank);
        ImagePieces p = Pieces({0, 0, 10, 11}, {0, 0, 10, 11}, {0, 0, 4, 4});
        p.xtiled = c.xtiled;
        p.ytiled = c.ytiled;
        DrawImagePieces(target, image, p);
        std::uint32_t pixel = target.At(c.x, c.y);
        if (c.xtiled) {
            EXPECT_EQ(SourceX(pixel), c.expectedX) << c.x << "," << c.y;
        }
        if (c.ytiled) {
            EXPECT_EQ(SourceY(pixel), c.expectedY) << c.x << "," << c.y;
        }
    }
}

TEST(ImageDraw, FadeBlendsAtConstantOpacityAndFullFadeCopies) {
    Bitmap image(2, 2, 0xFFFFFFFF);
    Bitmap target(2, 2, 0xFF000000);
    ImagePieces p = Pieces({0, 0, 2, 2}, {0, 0, 2, 2}, {0, 0, 2, 2});
    p.fade = 128;
    DrawImagePieces(target, image, p);
    EXPECT_EQ(target.At(0, 0), 0xFF808080u);
    p.fade = 255;
    DrawImagePieces(target, image, p);
    EXPECT_EQ(target.At(1, 1), 0xFFFFFFFFu);
}

TEST(ImageDraw, AlphaImagesBlendSourceOver) {
    Bitmap image(1, 1, Premultiply(0x80FF0000));  // half-transparent red
    Bitmap target(1, 1, 0xFF0000FF);              // opaque blue
    ImagePieces p = Pieces({0, 0, 1, 1}, {0, 0, 1, 1}, {0, 0, 1, 1});
    p.alpha = true;
    DrawImagePieces(target, image, p);
    EXPECT_EQ(target.At(0, 0), 0xFF80007Fu);
}

TEST(ImageDraw, StretchCoversTheWholeDestination) {
    Bitmap image = Numbered(2, 2);
    Bitmap target(6, 4, kBlank);
    ImagePieces p = Pieces({0, 0, 6, 4}, {0, 0, 6, 4}, {0, 0, 2, 2});
    DrawImagePieces(target, image, p);
    EXPECT_EQ(SourceX(target.At(2, 0)), 0);
    EXPECT_EQ(SourceX(target.At(3, 0)), 1);
    EXPECT_EQ(SourceY(target.At(0, 1)), 0);
    EXPECT_EQ(SourceY(target.At(0, 2)), 1);
}

TEST(ImageDraw, SourceOutsideTheImageDrawsNothing) {
    Bitmap image = Numbered(4, 4);
    Bitmap target(4, 4, kBlank);
    StretchPiece(target, image, {0, 0, 4, 4}, {2, 2, 8, 8}, {0, 0, 4, 4}, false, 255);
    EXPECT_EQ(target.At(0, 0), kBlank);
}
