#include <gtest/gtest.h>

#include "skinui/container.h"
#include "skinui/markup/markup_builder.h"
#include "skinui/option.h"
#include "skinui/paint_manager.h"
#include "skinui/render/text_renderer.h"
#include "skinui/text_table.h"

using namespace SkinUI;

namespace {

// Builds markup into a manager of its own and lays the root out in the given rectangle.
struct Laid {
    CPaintManager manager;
    CControlUI* root = nullptr;

    Laid(const std::string& body, UiRect rect) {
        CMarkupBuilder builder;
        root = builder.CreateFromText("<Window><Font id=\"0\" name=\"微软雅黑\" size=\"14\" default=\"true\"/>" +
                                          body + "</Window>",
                                      nullptr, &manager);
        EXPECT_TRUE(root) << builder.GetError().size();
        manager.AttachRoot(root);
        root->SetPos(rect);
    }
    UiRect Pos(const std::wstring& name) {
        CControlUI* control = manager.FindControl(name);
        EXPECT_TRUE(control) << std::string(name.begin(), name.end());
        return control ? control->GetPos() : UiRect{};
    }
};

}  // namespace

TEST(Layout, VerticalFlexibleChildTakesWhatTheFixedOnesLeave) {
    Laid laid(R"(<VerticalLayout><Control name="a" height="45"/><HorizontalLayout name="b"/>
                 <Control name="c" height="1"/></VerticalLayout>)",
              {0, 0, 600, 400});
    EXPECT_EQ(laid.Pos(L"a"), (UiRect{0, 0, 600, 45}));
    EXPECT_EQ(laid.Pos(L"b"), (UiRect{0, 45, 600, 399}));
    EXPECT_EQ(laid.Pos(L"c"), (UiRect{0, 399, 600, 400}));
}

TEST(Layout, HorizontalSharesEquallyAndTheLastFlexibleTakesTheRemainder) {
    Laid even(R"(<HorizontalLayout><Control name="l"/><Button name="b" width="200"/><Control name="r"/></HorizontalLayout>)",
              {0, 0, 600, 50});
    EXPECT_EQ(even.Pos(L"l").Width(), 200);
    EXPECT_EQ(even.Pos(L"b"), (UiRect{200, 0, 400, 50}));
    EXPECT_EQ(even.Pos(L"r"), (UiRect{400, 0, 600, 50}));
    Laid uneven(R"(<HorizontalLayout><Control name="a"/><Control name="b"/><Control name="c"/></HorizontalLayout>)",
                {0, 0, 100, 10});
    EXPECT_EQ(uneven.Pos(L"a").Width(), 33);
    EXPECT_EQ(uneven.Pos(L"b").Width(), 33);
    EXPECT_EQ(uneven.Pos(L"c"), (UiRect{66, 0, 100, 10}));
}

TEST(Layout, FixedWidthIsKeptEvenWithoutRoomAndFlexibleChildrenGetNothing) {
    Laid laid(R"(<HorizontalLayout><Control name="f" width="150" maxwidth="120"/><Control name="g"/></HorizontalLayout>)",
              {0, 0, 100, 10});
    EXPECT_EQ(laid.Pos(L"f").Width(), 120);  // clamped to its maximum, not to the room
    EXPECT_EQ(laid.Pos(L"g").Width(), 0);
}

TEST(Layout, PaddingInsetChildPaddingAndInvisibleChildren) {
    Laid laid(R"(<VerticalLayout inset="10,5,10,5" childpadding="4">
                   <Control name="a" height="20" padding="3,2,0,1"/>
                   <Control name="hidden" height="50" visible="false"/>
                   <Control name="b" height="20"/>
                 </VerticalLayout>)",
              {0, 0, 200, 100});
    EXPECT_EQ(laid.Pos(L"a"), (UiRect{13, 7, 190, 27}));
    // a ends at 27 plus its bottom padding 1 and one child padding; the hidden one takes nothing.
    EXPECT_EQ(laid.Pos(L"b"), (UiRect{10, 32, 190, 52}));
    Laid negative(R"(<VerticalLayout childpadding="-7"><Control name="a" height="10"/><Control name="b" height="10"/></VerticalLayout>)",
                  {0, 0, 10, 100});
    EXPECT_EQ(negative.Pos(L"b").top, 10);
}

TEST(Layout, ChildAlignmentAcrossTheMainAxis) {
    Laid vertical(R"(<VerticalLayout childalign="center"><Control name="a" width="100" height="10"/></VerticalLayout>)",
                  {0, 0, 300, 100});
    EXPECT_EQ(vertical.Pos(L"a"), (UiRect{100, 0, 200, 10}));
    Laid right(R"(<VerticalLayout childalign="right"><Control name="a" width="100" height="10" padding="0,0,5,0"/></VerticalLayout>)",
               {0, 0, 300, 100});
    EXPECT_EQ(right.Pos(L"a"), (UiRect{195, 0, 295, 10}));
    Laid horizontal(R"(<HorizontalLayout childvalign="vcenter"><Control name="a" width="10" height="20"/></HorizontalLayout>)",
                    {0, 0, 100, 100});
    EXPECT_EQ(horizontal.Pos(L"a"), (UiRect{0, 40, 10, 60}));
    Laid bottom(R"(<HorizontalLayout childvalign="bottom"><Control name="a" width="10" height="20"/></HorizontalLayout>)",
                {0, 0, 100, 100});
    EXPECT_EQ(bottom.Pos(L"a"), (UiRect{0, 80, 10, 100}));
}

TEST(Layout, TextControlsMeasureWithTheirFont) {
    const int fontHeight = FontHeight(FontSpec{L"微软雅黑", 14});
    ASSERT_GT(fontHeight, 10);
    Laid laid(R"(<VerticalLayout>
                   <Label name="l" text="安装路径：" textpadding="0,3,0,2"/>
                   <CheckBox name="c" text="创建桌面快捷方式"/>
                   <Edit name="e"/>
                   <Control name="flex"/>
                 </VerticalLayout>)",
              {0, 0, 300, 300});
    EXPECT_EQ(laid.Pos(L"l").Height(), fontHeight + 8 + 5);
    EXPECT_EQ(laid.Pos(L"c").Height(), fontHeight + 8);
    EXPECT_EQ(laid.Pos(L"e").Height(), fontHeight + 8);
    EXPECT_EQ(laid.Pos(L"flex").bottom, 300);
}

TEST(Layout, LabelMeasuresAgainWhenANumberedTextChanges) {
    TextTable::Instance().Clear();
    Laid laid(R"(<VerticalLayout><Label name="l" text="%{7}" textpadding="2,0,3,0"/></VerticalLayout>)",
              {0, 0, 300, 300});
    auto* label = laid.manager.FindControl(L"l");
    ASSERT_TRUE(label);
    const FontSpec font{L"微软雅黑", 14};
    EXPECT_EQ(label->EstimateSize({300, 300}).cx, MeasureText(L"%{7}", font).cx + 5);
    TextTable::Instance().SetText(7, L"其他选项：其他选项：");
    EXPECT_EQ(label->EstimateSize({300, 300}).cx, MeasureText(L"其他选项：其他选项：", font).cx + 5);
    TextTable::Instance().Clear();
}

// A width fixed after the label was first laid out (fitting it to a new language) is what the
// row gives it, not the natural size measured before.
TEST(Layout, WidthFixedAfterLayoutReplacesTheMeasuredOne) {
    Laid laid(R"(<HorizontalLayout><Label name="l" text="安装路径："/><Control name="rest"/></HorizontalLayout>)",
              {0, 0, 300, 30});
    CControlUI* label = laid.manager.FindControl(L"l");
    ASSERT_TRUE(label);
    laid.root->SetPos({0, 0, 300, 30});
    const int natural = laid.Pos(L"l").Width();
    label->SetFixedWidth(natural + 40);
    laid.root->SetPos({0, 0, 300, 30});
    EXPECT_EQ(laid.Pos(L"l").Width(), natural + 40);
    EXPECT_EQ(laid.Pos(L"rest").left, natural + 40);
}

TEST(Layout, MultiLineLabelWrapsToTheOfferedWidth) {
    std::string text = "检测到计算机中已存在此软件，是否为您更新为最新版本？";
    Laid laid("<VerticalLayout><Label name=\"m\" multiline=\"true\" text=\"" + text + "\"/><Control/></VerticalLayout>",
              {0, 0, 120, 300});
    const int line = MeasureText(L"检", FontSpec{L"微软雅黑", 14}).cy;
    EXPECT_GE(laid.Pos(L"m").Height(), 3 * line);
    Laid wide("<VerticalLayout><Label name=\"m\" multiline=\"true\" text=\"" + text + "\"/><Control/></VerticalLayout>",
              {0, 0, 1000, 300});
    EXPECT_EQ(wide.Pos(L"m").Height(), line);
}

TEST(Layout, TabLayoutPlacesOnlyTheSelectedChildAndRefusesBadIndexes) {
    Laid laid(R"(<TabLayout name="tabs" inset="5,5,5,5">
                   <Control name="p0"/><Control name="p1" padding="2,2,2,2"/><Control name="p2"/>
                 </TabLayout>)",
              {0, 0, 100, 100});
    auto* tabs = static_cast<CTabLayoutUI*>(laid.manager.FindControl(L"tabs"));
    EXPECT_EQ(tabs->GetCurSel(), 0);
    EXPECT_EQ(laid.Pos(L"p0"), (UiRect{5, 5, 95, 95}));
    EXPECT_FALSE(laid.manager.FindControl(L"p1")->IsVisible());
    EXPECT_TRUE(tabs->SelectItem(1));
    tabs->SetPos(tabs->GetPos());
    EXPECT_EQ(laid.Pos(L"p1"), (UiRect{7, 7, 93, 93}));
    EXPECT_FALSE(laid.manager.FindControl(L"p0")->IsVisible());
    EXPECT_FALSE(tabs->SelectItem(3));
    EXPECT_FALSE(tabs->SelectItem(-1));
    EXPECT_EQ(tabs->GetCurSel(), 1);
}

TEST(Layout, PosAfterWidthOverridesIt) {
    Laid laid(R"(<VerticalLayout><Control name="a" width="50" pos="0,0,600,0"/><Control/></VerticalLayout>)",
              {0, 0, 800, 100});
    CControlUI* a = laid.manager.FindControl(L"a");
    EXPECT_EQ(a->GetFixedWidth(), 600);
    EXPECT_EQ(a->GetFixedHeight(), 0);
}
