#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tests/ui/ui_fixture.h"
#include "ui/message_box.h"
#include "ui/shadow_bitmap.h"
#include "ui/skin_frame.h"

using namespace SkinUI;

namespace {

// Premultiplied pure red at an opacity.
constexpr std::uint32_t Red(std::uint32_t alpha) { return alpha << 24 | alpha << 16; }

}  // namespace

// A 4 x 3 window, size 2, sharpness 1, darkness 200, red: the kernel's radius is 2, full within
// 1 of its centre, (1 - (d - 1) / 2) * 200 beyond: 158 at the diagonal (d = 1.41), 100 at d = 2,
// nothing past 2. The bitmap is 8 x 7; the shape is the window's rectangle at 2,2.
TEST(SoftShadow, HandWorkedPixelsAtCornersEdgesAndTheHole) {
    const SoftShadow shadow{2, 1, 200, 0, 0, 0x0000FF};
    Bitmap pixels = DrawSoftShadow({4, 3}, {0, 0}, shadow);
    ASSERT_EQ(pixels.Width(), 8);
    ASSERT_EQ(pixels.Height(), 7);
    struct Pixel {
        int x, y;
        std::uint32_t value;
    };
    const Pixel expected[] = {
        {0, 0, 0},          // the bitmap's corner: 2.83 from the nearest outline point
        {1, 1, Red(158)},   // diagonal to the shape's corner
        {0, 2, Red(100)},   // two to the left of the top edge's end
        {1, 3, Red(200)},   // next to the left edge
        {0, 3, Red(100)},
        {3, 0, Red(100)},   // two above the top edge
        {6, 5, Red(158)},   // diagonal to the bottom-right corner
        {7, 6, 0},
        {2, 2, 0},          // the hole: what the window covers
        {3, 3, 0},
        {5, 4, 0},
    };
    for (const Pixel& p : expected) {
        EXPECT_EQ(pixels.At(p.x, p.y), p.value) << p.x << "," << p.y;
    }

    // An offset moves the window's hole, not the shadow: the shape's own corner shows.
    Bitmap offset = DrawSoftShadow({4, 3}, {0, 0}, SoftShadow{2, 1, 200, 1, 1, 0x0000FF});
    EXPECT_EQ(offset.At(5, 4), Red(200));
    EXPECT_EQ(offset.At(1, 1), 0u);
}

TEST(SoftShadow, ColourIsAColourReferenceAndRoundedCornersLetTheShadowThrough) {
    // #26003B76: red 0x76, green 0x3B, blue 0; the top byte is not an opacity.
    Bitmap pixels = DrawSoftShadow({20, 20}, {0, 0}, SoftShadow{6, 10, 20, 1, 1, 0x26003B76});
    int checked = 0;
    for (int y = 0; y < pixels.Height(); ++y) {
        for (int x = 0; x < pixels.Width(); ++x) {
            const std::uint32_t p = pixels.At(x, y), alpha = p >> 24;
            if (alpha == 0) continue;
            ++checked;
            ASSERT_LE(alpha, 20u);
            ASSERT_EQ(p, alpha << 24 | (0x76 * alpha / 255) << 16 | (0x3B * alpha / 255) << 8) << x << "," << y;
        }
    }
    EXPECT_GT(checked, 0);

    // The window's rounded corner is not covered: the shadow is seen there.
    Bitmap square = DrawSoftShadow({20, 20}, {0, 0}, SoftShadow{2, 1, 200, 0, 0, 0xFF});
    Bitmap rounded = DrawSoftShadow({20, 20}, {8, 8}, SoftShadow{2, 1, 200, 0, 0, 0xFF});
    EXPECT_EQ(square.At(2, 2), 0u);
    EXPECT_NE(rounded.At(2, 2), 0u);
    EXPECT_EQ(rounded.At(12, 12), 0u);
}

TEST(SoftShadow, SizesThatLeaveNothingGiveNoBitmap) {
    const struct {
        UiSize window;
        int size;
    } cases[] = {{{30, 30}, -20}, {{40, 40}, -20}, {{0, 0}, 6}, {{100, 0}, 6}, {{-5, 10}, 3}};
    for (auto c : cases) {
        EXPECT_TRUE(DrawSoftShadow(c.window, {0, 0}, SoftShadow{c.size, 5, 100, 0, 0, 0}).IsEmpty());
    }
    // A size out of range is held to its limits rather than read as another number.
    EXPECT_EQ(DrawSoftShadow({10, 10}, {0, 0}, SoftShadow{300, 5, 100, 0, 0, 0}).Width(), 50);
    EXPECT_EQ(DrawSoftShadow({41, 41}, {0, 0}, SoftShadow{-20, 5, 100, 0, 0, 0}).Width(), 1);
}

TEST(ImageShadow, NineGridAroundAHole) {
    // A 6 x 6 image: 2-pixel corners of their own colours, green edges, a blue middle.
    Bitmap image(6, 6, 0xFF00FF00);
    for (int y = 2; y < 4; ++y) {
        for (int x = 2; x < 4; ++x) image.Set(x, y, 0xFF0000FF);
    }
    image.Set(0, 0, 0xFFFF0000);
    image.Set(5, 5, 0xFFFFFF00);
    Bitmap pixels = DrawImageShadow({10, 8}, image, {2, 2, 2, 2}, {0, 0, 0, 0});
    ASSERT_EQ(pixels.Width(), 14);
    ASSERT_EQ(pixels.Height(), 12);
    EXPECT_EQ(pixels.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(pixels.At(13, 11), 0xFFFFFF00u);
    EXPECT_EQ(pixels.At(7, 0), 0xFF00FF00u);  // the top edge, stretched
    EXPECT_EQ(pixels.At(7, 6), 0u);           // the middle is left out
    // A hole offset draws the edges that much further under the window.
    Bitmap deeper = DrawImageShadow({10, 8}, image, {2, 2, 2, 2}, {1, 1, 1, 1});
    EXPECT_NE(deeper.At(2, 6), 0u);
    EXPECT_EQ(deeper.At(7, 6), 0u);
    EXPECT_TRUE(DrawImageShadow({10, 8}, Bitmap(), {2, 2, 2, 2}, {}).IsEmpty());
}

class ShadowWindow : public ui_testing::UiFixture {};

TEST_F(ShadowWindow, ShippedBoxShadowIsTwelveLargerFiveUpAndLeftAndFaint) {
    CSkinFrame box(WindowDescriptor::ForSkinFile(L"exitTipWnd.xml"));
    WindowHandle handle = box.Create(nullptr, L"box", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
    system.RunPending();
    WindowHandle shadow = box.GetShadow().GetShadowWindow();
    ASSERT_TRUE(shadow);
    EXPECT_TRUE(system.IsVisible(shadow));
    EXPECT_EQ(system.GetParent(shadow), handle);
    EXPECT_TRUE(system.GetExStyle(shadow) & WS_EX_LAYERED);
    const UiRect window = system.GetWindowRect(handle);
    EXPECT_EQ(system.GetWindowRect(shadow),
              (UiRect{window.left - 5, window.top - 5, window.right + 7, window.bottom + 7}));
    Bitmap pixels = system.LayeredPixels(shadow);
    std::uint32_t opacity = 0;
    for (int y = 0; y < pixels.Height(); ++y) {
        for (int x = 0; x < pixels.Width(); ++x) opacity = std::max(opacity, pixels.At(x, y) >> 24);
    }
    // At most the darkness; the full part lies under the window.
    EXPECT_GT(opacity, 0u);
    EXPECT_LE(opacity, 20u);
}

TEST_F(ShadowWindow, SettersRefuseValuesOutOfRangeBeforeNarrowing) {
    CSkinFrame box(WindowDescriptor::ForSkinFile(L"exitTipWnd.xml"));
    box.Create(nullptr, L"box", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
    CWndShadow& shadow = box.GetShadow();
    EXPECT_FALSE(shadow.SetSize(21));
    EXPECT_FALSE(shadow.SetSize(256 + 6));  // would be 6 in 8 bits
    EXPECT_EQ(shadow.GetSize(), 6);
    EXPECT_TRUE(shadow.SetSize(-20));
    EXPECT_EQ(shadow.GetSize(), -20);
    EXPECT_FALSE(shadow.SetPosition(25, 1));  // refused as a whole
    EXPECT_EQ(shadow.GetPosition(), (UiPoint{1, 1}));
    EXPECT_FALSE(shadow.SetDarkness(256));
    EXPECT_FALSE(shadow.SetDarkness(-1));
    EXPECT_EQ(shadow.GetDarkness(), 20);
    EXPECT_FALSE(shadow.SetSharpness(21));
    EXPECT_EQ(shadow.GetSharpness(), 10);
    EXPECT_FALSE(shadow.SetImage(L"res\\no\\such.png", {10, 10, 10, 10}, {}));
    // Size -20 leaves nothing of a 360 x 180 box... but the box is larger than 40: a small shadow.
    system.RunPending();
    EXPECT_EQ(system.GetWindowRect(shadow.GetShadowWindow()).Width(), 360 - 40);
}

TEST_F(ShadowWindow, FollowsItsParent) {
    CSkinFrame box(WindowDescriptor::ForSkinFile(L"MessageBox1Wnd.xml"));
    WindowHandle handle = box.Create(nullptr, L"box", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
    system.RunPending();
    WindowHandle shadow = box.GetShadow().GetShadowWindow();
    ASSERT_TRUE(shadow);
    UiRect before = system.GetWindowRect(shadow);
    UiRect r = system.GetWindowRect(handle);

    system.MoveWindow(handle, {r.left + 30, r.top + 20, r.right + 30, r.bottom + 20});
    UiRect moved = system.GetWindowRect(shadow);
    EXPECT_EQ(moved.left - before.left, 30);
    EXPECT_EQ(moved.top - before.top, 20);
    EXPECT_EQ(moved.Width(), before.Width());

    // Growing waits for the parent's paint; shrinking redraws at once.
    system.MoveWindow(handle, {r.left, r.top, r.left + 400, r.top + 200});
    EXPECT_EQ(system.GetWindowRect(shadow).Width(), before.Width());
    system.RunPending();
    EXPECT_EQ(system.GetWindowRect(shadow).Width(), 412);
    system.MoveWindow(handle, {r.left, r.top, r.left + 300, r.top + 150});
    EXPECT_EQ(system.GetWindowRect(shadow).Width(), 312);

    // Hidden at once with its parent, shown again once the parent has painted.
    const struct { ShowCommand command; bool shown; } steps[] = {
        {ShowCommand::Minimize, false}, {ShowCommand::Restore, true}, {ShowCommand::Maximize, false},
        {ShowCommand::Restore, true},   {ShowCommand::Hide, false},   {ShowCommand::ShowNoActivate, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(static_cast<int>(step.command));
        system.ShowWindow(handle, step.command);
        if (!step.shown) {
            EXPECT_FALSE(system.IsVisible(shadow));
        }
        system.RunPending();
        EXPECT_EQ(system.IsVisible(shadow), step.shown);
    }

    system.DestroyWindow(handle);
    EXPECT_FALSE(system.IsWindow(shadow));
    EXPECT_FALSE(CWndShadow::FromParent(handle));
}

TEST_F(ShadowWindow, GoesAtOnceWithItsOwnerObjectAndTheParentLivesOn) {
    CSkinFrame frame(WindowDescriptor::ForSkinFile(L"NetworkTipWnd.xml"));
    WindowHandle handle = frame.Create(nullptr, L"box", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
    auto extra = std::make_unique<CWndShadow>();
    ASSERT_TRUE(extra->Create(handle));
    WindowHandle shadow = extra->GetShadowWindow();
    extra.reset();
    // No close is left posted for later: the window is gone now, and the parent's messages reach
    // no freed hook.
    EXPECT_FALSE(system.IsWindow(shadow));
    system.MoveWindow(handle, {0, 0, 100, 100});
    system.RunPending();
    EXPECT_TRUE(system.IsWindow(frame.GetShadow().GetShadowWindow()));
}

TEST_F(ShadowWindow, OnlyShowShadowTrueWithoutRegardToCaseMakesOne) {
    testing_support::TempFolder folder;
    SkinResources::Instance().SetResourcePath(folder.Path());
    folder.WriteFile(L"upper.xml", R"(<Window size="100,50" showshadow="TRUE" shadowsize="4"><Control/></Window>)");
    folder.WriteFile(L"other.xml", R"(<Window size="100,50" showshadow="yes" shadowsize="4"><Control/></Window>)");
    auto fromFolder = [](const wchar_t* file) {
        WindowDescriptor descriptor = WindowDescriptor::ForSkinFile(file);
        descriptor.resourceKind = static_cast<int>(SkinSource::Folder);
        return descriptor;
    };
    CSkinFrame upper(fromFolder(L"upper.xml")), other(fromFolder(L"other.xml"));
    upper.Create(nullptr, L"a", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
    other.Create(nullptr, L"b", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
    EXPECT_TRUE(upper.GetShadow().GetShadowWindow());
    EXPECT_EQ(upper.GetShadow().GetSize(), 4);
    EXPECT_FALSE(other.GetShadow().GetShadowWindow());
    EXPECT_EQ(other.GetShadow().GetSize(), 0);  // the other attributes are not read either
}

TEST_F(ShadowWindow, WithoutTranslucentWindowsThereIsNoneAndTheBoxStillWorks) {
    system.SetLayeredWindows(false);
    EXPECT_FALSE(CWndShadow::Initialize());
    CSkinFrame without(WindowDescriptor::ForSkinFile(L"exitTipWnd.xml"));
    WindowHandle handle = without.Create(nullptr, L"box", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
    ASSERT_TRUE(handle);
    EXPECT_FALSE(without.GetShadow().GetShadowWindow());
    EXPECT_EQ(system.Windows().size(), 1u);
    EXPECT_TRUE(system.ClickControl(handle, L"closebtn"));
    EXPECT_FALSE(system.IsWindow(handle));
}
