#include <gtest/gtest.h>

#include "skinui/render/text_renderer.h"

using namespace SkinUI;

namespace {

// The leftmost and rightmost columns that text touched.
std::pair<int, int> InkColumns(const Bitmap& b) {
    int left = b.Width(), right = -1;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.At(x, y) != 0xFFFFFFFF) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

}  // namespace

TEST(Text, FamilyListPutsTheFaceNameFirstAndFallsBackToCjkFonts) {
    EXPECT_EQ(FontFamilyList(L"微软雅黑"), "微软雅黑,WenQuanYi Micro Hei,Noto Sans CJK SC,sans-serif");
    EXPECT_EQ(FontFamilyList(L""), "WenQuanYi Micro Hei,Noto Sans CJK SC,sans-serif");
}

TEST(Text, AlignmentPlacesTheTextInsideTheRectangle) {
    FontSpec font{L"微软雅黑", 14};
    int width = MeasureText(L"安装", font).cx;
    ASSERT_GT(width, 20);
    struct Case {
        UINT style;
        int expectedLeft;
    } cases[] = {{DT_LEFT, 10}, {DT_CENTER, 10 + (200 - width) / 2}, {DT_RIGHT, 210 - width}};
    for (const Case& c : cases) {
        Bitmap b(220, 40, 0xFFFFFFFF);
        DrawText(b, {10, 0, 210, 40}, b.Bounds(), L"安装", font, 0xFF000000, c.style | DT_SINGLELINE | DT_VCENTER);
        auto [left, right] = InkColumns(b);
        EXPECT_NEAR(left, c.expectedLeft, 3) << c.style;
        EXPECT_NEAR(right, c.expectedLeft + width, 3) << c.style;
    }
}

TEST(Text, ClipAndTransparentColourLeaveOtherPixelsAlone) {
    FontSpec font{L"微软雅黑", 16};
    Bitmap b(100, 30, 0xFFFFFFFF);
    DrawText(b, {0, 0, 100, 30}, {0, 0, 20, 30}, L"正在安装中", font, 0xFF000000, DT_SINGLELINE);
    EXPECT_LT(InkColumns(b).second, 20);
    Bitmap clear(100, 30, 0xFFFFFFFF);
    DrawText(clear, {0, 0, 100, 30}, clear.Bounds(), L"正在安装中", font, 0x00000000, DT_SINGLELINE);
    EXPECT_EQ(InkColumns(clear).second, -1);
}

TEST(Text, WrappingGrowsTheHeightAndAFontHeightIsAboveItsSize) {
    FontSpec font{L"微软雅黑", 16};
    UiSize one = MeasureText(L"当前网络环境较差，请在网络通畅时进行重试", font);
    UiSize wrapped = MeasureText(L"当前网络环境较差，请在网络通畅时进行重试", font, one.cx / 2);
    EXPECT_GE(wrapped.cy, 2 * one.cy - 2);
    EXPECT_LE(wrapped.cx, one.cx / 2);
    EXPECT_GE(FontHeight(font), 16);
    EXPECT_LT(FontHeight(font), 32);
}
