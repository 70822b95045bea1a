#include <gtest/gtest.h>

#include "skinui/button.h"
#include "skinui/container.h"
#include "skinui/label.h"
#include "skinui/markup/markup_builder.h"
#include "skinui/markup/value_parser.h"
#include "skinui/option.h"
#include "skinui/paint_manager.h"
#include "skinui/progress.h"
#include "skinui/render/image_record.h"
#include "skinui/text_table.h"

using namespace SkinUI;

TEST(ValueSyntax, ColoursAreAlphaFirstWithHashOrHexPrefix) {
    struct Case {
        const wchar_t* text;
        std::optional<Colour> expected;
    } cases[] = {
        {L"#FFFFFFFF", 0xFFFFFFFF}, {L"0xFFFFFFFF", 0xFFFFFFFF}, {L"#00000000", 0u},
        {L"#FF1890FF", 0xFF1890FF}, {L"0xff1675fe", 0xFF1675FE}, {L"#26003B76", 0x26003B76},
        {L"#GG000000", std::nullopt}, {L"", std::nullopt}, {L"#123456789", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseColour(c.text), c.expected) << std::wstring(c.text).size();
}

TEST(ValueSyntax, NumbersSizesAndRectangles) {
    EXPECT_EQ(ParseInt(L"-12"), -12);
    EXPECT_EQ(ParseInt(L"+7"), 7);
    EXPECT_EQ(ParseInt(L"abc", 5), 5);
    EXPECT_EQ(ParseSize(L"600,400"), (UiSize{600, 400}));
    EXPECT_EQ(ParseRect(L"0,0,0,35"), (UiRect{0, 0, 0, 35}));
    EXPECT_EQ(ParseRect(L"-1, 2,3"), (UiRect{-1, 2, 3, 0}));
    EXPECT_TRUE(ParseBool(L"true"));
    EXPECT_FALSE(ParseBool(L"True"));
    EXPECT_FALSE(ParseBool(L"1"));
}

TEST(ValueSyntax, ImageStrings) {
    ImageDrawRecord bare(L"res\\mainWnd\\bg1.png");
    ASSERT_TRUE(ParseImageString(bare));
    EXPECT_EQ(bare.file, L"res\\mainWnd\\bg1.png");

    ImageDrawRecord full(L"file='res/mainWnd/Cb1.png' dest='0,2,15,16' source='1,2,3,4' corner='2,2,2,2' "
                         L"fade='128' hole='true' xtiled='true' ytiled='false' mask='#FFFF00FF'");
    ASSERT_TRUE(ParseImageString(full));
    EXPECT_EQ(full.file, L"res/mainWnd/Cb1.png");
    EXPECT_EQ(full.dest, (UiRect{0, 2, 15, 16}));
    EXPECT_EQ(full.source, (UiRect{1, 2, 3, 4}));
    EXPECT_EQ(full.corners, (UiRect{2, 2, 2, 2}));
    EXPECT_EQ(full.fade, 128);
    EXPECT_TRUE(full.hole);
    EXPECT_TRUE(full.xtiled);
    EXPECT_FALSE(full.ytiled);
    EXPECT_TRUE(full.hasMask);
    EXPECT_EQ(full.mask & 0xFFFFFF, 0xFF00FFu);

    ImageDrawRecord scale9(L"file='a.png' scale9='1,2,3,4' mask='00FF00'");
    ASSERT_TRUE(ParseImageString(scale9));
    EXPECT_EQ(scale9.corners, (UiRect{1, 2, 3, 4}));
    EXPECT_EQ(scale9.mask & 0xFFFFFF, 0x00FF00u);

    ImageDrawRecord unterminated(L"file='a.png");
    EXPECT_FALSE(ParseImageString(unterminated));
}

namespace {

class Factory : public IControlFactory {
public:
    CControlUI* CreateControl(const std::wstring& name) override {
        asked.push_back(name);
        if (EqualsNoCase(name, L"SequenceLabel")) return new CLabelUI;
        return nullptr;
    }
    std::vector<std::wstring> asked;
};

}  // namespace

TEST(MarkupBuilder, BuildsKnownElementsAsksTheFactoryAndIgnoresTheRest) {
    const char* markup = R"(<?xml version="1.0" encoding="utf-8"?>
<!-- a comment -->
<Window size="360,180" caption="0,0,0,30" roundcorner="2,2" custom="kept">
  <Font id="0" name="微软雅黑" size="16" default="true"/>
  <Font id="1" name="微软雅黑" size="14" bold="true" underline="true"/>
  <verticallayout name="root" bkcolor="0xFFF5FAFE" unknownattr="x">
    <LABEL name="lbl" text="温馨提示" font="1" textcolor="#FF666666" align="center" valign="vcenter"/>
    <SequenceLabel name="anim" width="20"/>
    <Mystery name="gone"><Button name="insideGone"/></Mystery>
    <CheckBox name="cb" selected="true" hotborercolor="#FF000000" isstretchfore="false"/>
    <Progress name="prg" width="520" value="40"/>
  </verticallayout>
</Window>)";
    CPaintManager manager;
    Factory factory;
    CMarkupBuilder builder;
    CControlUI* root = builder.CreateFromText(markup, &factory, &manager);
    ASSERT_TRUE(root);
    manager.AttachRoot(root);
    EXPECT_EQ(root->GetClass(), L"VerticalLayout");
    EXPECT_EQ(root->GetBkColor(), 0xFFF5FAFEu);
    EXPECT_EQ(factory.asked, (std::vector<std::wstring>{L"SequenceLabel", L"Mystery"}));
    EXPECT_TRUE(manager.FindControl(L"anim"));
    EXPECT_FALSE(manager.FindControl(L"gone"));
    EXPECT_FALSE(manager.FindControl(L"insideGone"));
    auto* label = static_cast<CLabelUI*>(manager.FindControl(L"lbl"));
    ASSERT_TRUE(label);
    EXPECT_EQ(label->GetText(), L"温馨提示");
    EXPECT_EQ(label->GetTextColor(), 0xFF666666u);
    EXPECT_EQ(label->GetTextStyle() & (DT_CENTER | DT_VCENTER), DT_CENTER | DT_VCENTER);
    EXPECT_EQ(manager.GetFont(label->GetFont()).size, 14);
    EXPECT_TRUE(manager.GetFont(1).underline);
    EXPECT_EQ(manager.GetFont(-1).size, 16);
    EXPECT_TRUE(static_cast<CCheckBoxUI*>(manager.FindControl(L"cb"))->IsSelected());
    EXPECT_EQ(static_cast<CProgressUI*>(manager.FindControl(L"prg"))->GetValue(), 40);
    EXPECT_EQ(manager.GetInitSize(), (UiSize{360, 180}));
    EXPECT_EQ(manager.GetCaptionRect(), (UiRect{0, 0, 0, 30}));
    EXPECT_EQ(manager.GetRoundCorner(), (UiSize{2, 2}));
    EXPECT_EQ(manager.GetWindowAttribute(L"custom"), L"kept");
    EXPECT_EQ(manager.GetWindowAttribute(L"absent"), L"");
}

TEST(MarkupBuilder, NumberedTextsAreExpandedWhenRegistered) {
    TextTable::Instance().Clear();
    CPaintManager manager;
    CMarkupBuilder builder;
    CControlUI* root = builder.CreateFromText(
        R"(<Window><MultiLanguage id="3" value="立即安装"/><VerticalLayout>
             <Label name="l" text="%{3} and %{4} and %{x}"/><Edit name="e" text="D:\%{3}"/></VerticalLayout></Window>)",
        nullptr, &manager);
    ASSERT_TRUE(root);
    manager.AttachRoot(root);
    CControlUI* label = manager.FindControl(L"l");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->GetText(), L"立即安装 and %{4} and %{x}");
    TextTable::Instance().SetText(4, L"B");
    TextTable::Instance().SetText(3, L"A");
    EXPECT_EQ(label->GetText(), L"A and B and %{x}");
    // What is typed into an edit is kept as typed.
    EXPECT_EQ(manager.FindControl(L"e")->GetText(), L"D:\\%{3}");
    TextTable::Instance().Clear();
}

TEST(MarkupBuilder, MarkupWithoutWindowOrControlFails) {
    CMarkupBuilder builder;
    EXPECT_FALSE(builder.CreateFromText("<Window><Font id=\"0\"/></Window>", nullptr, nullptr));
    EXPECT_FALSE(builder.CreateFromText("<Dialog><Label/></Dialog>", nullptr, nullptr));
    EXPECT_FALSE(builder.CreateFromText("<Window><Label>", nullptr, nullptr));
    EXPECT_FALSE(builder.GetError().empty());
}

TEST(MarkupBuilder, OptionsOfOneGroupKeepOneSelected) {
    CPaintManager manager;
    CMarkupBuilder builder;
    CControlUI* root = builder.CreateFromText(
        R"(<Window><HorizontalLayout><Option name="a" group="g" selected="true"/>
           <Option name="b" group="g"/><CheckBox name="c" selected="true"/></HorizontalLayout></Window>)",
        nullptr, &manager);
    manager.AttachRoot(root);
    auto* a = static_cast<COptionUI*>(manager.FindControl(L"a"));
    auto* b = static_cast<COptionUI*>(manager.FindControl(L"b"));
    auto* c = static_cast<COptionUI*>(manager.FindControl(L"c"));
    b->Selected(true);
    EXPECT_FALSE(a->IsSelected());
    EXPECT_TRUE(b->IsSelected());
    EXPECT_TRUE(c->IsSelected());  // no group: untouched
    b->Selected(false);
    EXPECT_FALSE(a->IsSelected());
    EXPECT_FALSE(b->IsSelected());
}
