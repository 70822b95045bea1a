#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/file_system.h"
#include "platform/utf8.h"
#include "skinui/backend/headless/render_skin.h"
#include "skinui/render/image.h"
#include "skinui/container.h"
#include "skinui/edit.h"
#include "skinui/option.h"
#include "skinui/progress.h"
#include "tests/skinui/skin_fixture.h"

using namespace SkinUI;
using namespace skin_testing;

namespace {

// The shipped skin, read from the archive linked into this test program.
class ShippedSkin : public SkinFixture {
protected:
    void SetUp() override {
        SkinFixture::SetUp();
        SkinResources::Instance().SetResourcePath(L"");
    }
    // Writes the window's pixels when KELVO_RENDER_DIR names a folder (to look at them).
    void Keep(WindowHandle window, const std::wstring& name) {
        const char* folder = std::getenv("KELVO_RENDER_DIR");
        if (folder) system.WritePng(window, platform::Utf8ToWideLossy(folder) + L"/" + name + L".png");
    }
};

RenderOptions InFolder(const std::wstring& folder) {
    RenderOptions options;
    options.folder = folder;
    return options;
}

std::shared_ptr<Image> ReadPng(const std::wstring& path) {
    std::optional<std::string> png = testing_support::ReadFile(path);
    if (!png) return nullptr;
    return DecodeImage(std::vector<std::uint8_t>(png->begin(), png->end()));
}

}  // namespace

TEST_F(ShippedSkin, EveryWindowBuildsWithTheNamesTheInstallerUses) {
    struct Case {
        const wchar_t* file;
        UiSize size;
        std::vector<const wchar_t*> names;
    } cases[] = {
        {L"MainWnd.xml", {600, 400},
         {L"winCtn", L"titleTabLt", L"mainTabLt", L"defaultInstallBtn", L"customeBtn", L"customeInstallBtn", L"treatyCb",
          L"treatyBtn", L"tipLbl", L"installDirEdit", L"chDirBtn", L"createDSCb", L"createQSCb", L"backBtn",
          L"titleGrpCtn", L"installPrg", L"progressLb", L"openProduceBtn", L"minbtn", L"closebtn",
          L"languageCombo", L"lbLanguage", L"lbInstallPath"}},
        {L"MessageBox1Wnd.xml", {360, 180}, {L"captionLbl", L"textLbl", L"closebtn"}},
        {L"messagebox2wnd.xml", {360, 180}, {L"captionLbl", L"textLbl", L"closebtn"}},
        {L"ExitTipWnd.xml", {360, 180}, {L"okBtn", L"cancelBtn", L"closebtn"}},
        {L"NetworkTipWnd.xml", {360, 180}, {L"okBtn", L"cancelBtn", L"closebtn"}},
        {L"InstalledPathTipWnd.xml", {400, 180}, {L"okBtn", L"cancelBtn", L"closebtn"}},
    };
    for (const Case& c : cases) {
        TestWindow window(c.file, SkinSource::ArchiveResource);
        WindowHandle handle = window.Open();
        ASSERT_TRUE(handle) << std::wstring(c.file).size();
        EXPECT_EQ(window.initCount, 1);
        UiRect rect = system.GetWindowRect(handle);
        EXPECT_EQ((UiSize{rect.Width(), rect.Height()}), c.size);
        for (const wchar_t* name : c.names) EXPECT_TRUE(window.FindControl(name)) << platform::WideToUtf8(name);
        Keep(handle, c.file);
        window.Close();
        system.RunPending();
    }
    // The 68 files of the package and language.json.
    EXPECT_EQ(SkinResources::Instance().Archive().EntryCount(), 69u);
    EXPECT_TRUE(system.SystemMessages().empty());
}

TEST_F(ShippedSkin, BoxesPlaceTheirButtonsAsDesigned) {
    struct Case {
        const wchar_t* file;
        UiSize ok, cancel;           // 0, 0: the box has no such button
        const wchar_t *okText, *cancelText;
        bool cancelFirst;            // the outlined button on the left
        UiSize roundCorner;
    } cases[] = {
        {L"MessageBox1Wnd.xml", {}, {}, L"", L"", false, {2, 2}},
        {L"MessageBox2Wnd.xml", {}, {}, L"", L"", false, {2, 2}},
        {L"exitTipWnd.xml", {76, 32}, {76, 32}, L"是", L"否", false, {0, 0}},
        {L"NetworkTipWnd.xml", {100, 32}, {100, 32}, L"重新安装", L"稍后再试", true, {0, 0}},
        {L"InstalledPathTipWnd.xml", {110, 32}, {100, 32}, L"安装最新版本", L"打开软件", true, {1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::WideToUtf8(c.file));
        TestWindow window(c.file, SkinSource::ArchiveResource);
        WindowHandle handle = window.Open();
        ASSERT_TRUE(handle);
        system.RunPending();
        const UiRect client{0, 0, system.GetWindowRect(handle).Width(), system.GetWindowRect(handle).Height()};
        CPaintManager& manager = window.GetPaintManager();
        EXPECT_EQ(manager.GetCaptionRect(), (UiRect{0, 0, 0, 30}));
        EXPECT_EQ(manager.GetRoundCorner(), c.roundCorner);
        EXPECT_EQ(manager.GetWindowAttribute(L"showshadow"), L"true");
        // The close button sits at the right of the caption strip, where a press does not drag.
        const UiRect& close = window.FindControl(L"closebtn")->GetPos();
        EXPECT_GE(close.right, client.right - 10);
        EXPECT_LE(close.bottom, 40);
        EXPECT_EQ(system.SendMessage(handle, WM_NCHITTEST, 0, MakeLParam(system.GetWindowRect(handle).left + close.left + 5,
                                                                         system.GetWindowRect(handle).top + close.top + 5)),
                  HTCLIENT);
        CControlUI* ok = window.FindControl(L"okBtn");
        CControlUI* cancel = window.FindControl(L"cancelBtn");
        if (c.ok.cx == 0) {
            EXPECT_FALSE(ok);
            EXPECT_FALSE(cancel);
            const UiRect& text = window.FindControl(L"textLbl")->GetPos();
            EXPECT_TRUE(Intersect(text, client) == text);
        } else {
            ASSERT_TRUE(ok && cancel);
            EXPECT_EQ((UiSize{ok->GetPos().Width(), ok->GetPos().Height()}), c.ok);
            EXPECT_EQ((UiSize{cancel->GetPos().Width(), cancel->GetPos().Height()}), c.cancel);
            EXPECT_EQ(ok->GetText(), c.okText);
            EXPECT_EQ(cancel->GetText(), c.cancelText);
            EXPECT_EQ(cancel->GetPos().left < ok->GetPos().left, c.cancelFirst);
            EXPECT_LE(std::max(ok->GetPos().bottom, cancel->GetPos().bottom), client.bottom - 8);
            EXPECT_LE(std::max(ok->GetPos().right, cancel->GetPos().right), client.right - 8);
        }
        window.Close();
        system.RunPending();
    }
}

TEST_F(ShippedSkin, MainWindowPagesAndTheirContent) {
    TestWindow window(L"mainWnd.xml", SkinSource::ArchiveResource);
    WindowHandle handle = window.Open();
    ASSERT_TRUE(handle);
    auto* tabs = static_cast<CTabLayoutUI*>(window.FindControl(L"mainTabLt"));
    auto* title = static_cast<CTabLayoutUI*>(window.FindControl(L"titleTabLt"));
    EXPECT_EQ(tabs->GetCount(), 4);
    EXPECT_EQ(tabs->GetCurSel(), 0);
    EXPECT_EQ(title->GetCount(), 3);
    EXPECT_EQ(title->GetCurSel(), 1);
    EXPECT_FALSE(window.FindControl(L"backBtn")->IsVisible());
    EXPECT_TRUE(static_cast<COptionUI*>(window.FindControl(L"treatyCb"))->IsSelected());
    EXPECT_TRUE(static_cast<COptionUI*>(window.FindControl(L"createDSCb"))->IsSelected());
    EXPECT_TRUE(static_cast<COptionUI*>(window.FindControl(L"createQSCb"))->IsSelected());
    EXPECT_EQ(window.FindControl(L"progressLb")->GetText(), L"正在安装中:0%，请稍候~");
    EXPECT_EQ(window.FindControl(L"defaultInstallBtn")->GetText(), L"立即安装");
    system.RunPending();
    EXPECT_EQ(window.FindControl(L"defaultInstallBtn")->GetPos().Width(), 200);
    Keep(handle, L"page0");
    // The caption strip drags the window except on its buttons.
    UiRect before = system.GetWindowRect(handle);
    system.MouseDown(handle, 300, 10);
    system.MouseMove(handle, 310, 20);
    system.MouseUp(handle, 310, 20);
    EXPECT_EQ(system.GetWindowRect(handle).left, before.left + 10);
    // The custom-install link is a plain button here: a click by name reaches the window.
    ASSERT_TRUE(system.ClickControl(handle, L"customeBtn"));
    EXPECT_EQ(window.seen.back().type, L"click");
    EXPECT_EQ(window.seen.back().sender, L"customeBtn");
    EXPECT_FALSE(system.ClickControl(handle, L"noSuchControl"));
    EXPECT_FALSE(system.ClickControl(handle, L"openProduceBtn"));  // on a hidden page
    for (int page = 1; page < 4; ++page) {
        tabs->SelectItem(page);
        system.RunPending();
        Keep(handle, L"page" + std::to_wstring(page));
    }
    auto* bar = static_cast<CProgressUI*>(window.FindControl(L"installPrg"));
    tabs->SelectItem(2);
    bar->SetValue(35);
    EXPECT_EQ(bar->GetPos().Width(), 520);
    Keep(handle, L"page2-35");
    bar->SetValue(50);
    Bitmap shot = system.Snapshot(handle);
    const UiRect& track = bar->GetPos();
    EXPECT_NE(shot.At(track.left + 250, track.top + 4), shot.At(track.left + 270, track.top + 4));
}

TEST_F(ShippedSkin, ButtonStatesLookDifferentAndBoxesCloseWithTheirButtons) {
    TestWindow window(L"mainWnd.xml", SkinSource::ArchiveResource);
    WindowHandle handle = window.Open();
    CControlUI* install = window.FindControl(L"defaultInstallBtn");
    system.RunPending();
    const UiRect& pos = install->GetPos();
    UiPoint probe{pos.left + 20, pos.top + 10};  // inside the pill, clear of the text
    std::uint32_t normal = system.Snapshot(handle).At(probe.x, probe.y);
    system.MouseMove(handle, probe.x, probe.y);
    std::uint32_t hot = system.Snapshot(handle).At(probe.x, probe.y);
    system.MouseDown(handle, probe.x, probe.y);
    std::uint32_t pushed = system.Snapshot(handle).At(probe.x, probe.y);
    system.MouseUp(handle, probe.x, probe.y);
    EXPECT_NE(normal, hot);
    EXPECT_NE(hot, pushed);
    EXPECT_NE(normal, pushed);
    EXPECT_EQ(window.Count(L"click"), 1);

    for (const wchar_t* button : {L"okBtn", L"cancelBtn", L"closebtn"}) {
        TestWindow box(L"exitTipWnd.xml", SkinSource::ArchiveResource);
        WindowHandle boxHandle = box.Open(handle);
        ASSERT_TRUE(system.ClickControl(boxHandle, box.FindControl(button)));
        EXPECT_EQ(box.Count(L"click"), 1);
        if (std::wstring(button) == L"closebtn") {
            EXPECT_FALSE(system.IsWindow(boxHandle));
        }
    }
}

TEST_F(ShippedSkin, AMissingSkinResourceLeavesTheWindowEmpty) {
    struct OtherResource : TestWindow {
        using TestWindow::TestWindow;
        int GetSkinResourceId() const override { return 148; }
    } window(L"mainWnd.xml", SkinSource::ArchiveResource);
    WindowHandle handle = window.Open();
    ASSERT_TRUE(handle);
    EXPECT_EQ(window.initCount, 0);
    EXPECT_FALSE(window.GetPaintManager().GetRoot());
    EXPECT_EQ(g_exitCode, -1000);
    EXPECT_TRUE(system.SystemMessages().empty());
}

TEST(RenderSkin, WritesThePngOfALinkedOrFolderSkinAndReportsFailures) {
    testing_support::TempFolder folder;
    std::wstring out = folder.Join(L"main.png");
    EXPECT_EQ(RenderSkinToPng(L"MAINWND.XML", out), L"");
    std::optional<std::string> png = testing_support::ReadFile(out);
    ASSERT_TRUE(png);
    std::shared_ptr<Image> image = DecodeImage(std::vector<std::uint8_t>(png->begin(), png->end()));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bitmap.Width(), 600);
    EXPECT_EQ(image->bitmap.Height(), 400);
    SkinResources::Instance().Reset();  // the archive stays otherwise; the folder is wanted now
    folder.WriteFile(L"tiny.xml", R"(<Window size="20,10"><Control bkcolor="#FF1890FF"/></Window>)");
    EXPECT_EQ(RenderSkinToPng(L"tiny.xml", folder.Join(L"tiny.png"), InFolder(folder.Path())), L"");
    png = testing_support::ReadFile(folder.Join(L"tiny.png"));
    ASSERT_TRUE(png);
    image = DecodeImage(std::vector<std::uint8_t>(png->begin(), png->end()));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bitmap.At(5, 5), 0xFF1890FFu);
    EXPECT_NE(RenderSkinToPng(L"absent.xml", folder.Join(L"x.png"), InFolder(folder.Path())), L"");
    EXPECT_EQ(GetWindowSystem(), nullptr);
    SkinResources::Instance().Reset();
}

TEST(RenderSkin, ShowsTheAskedPageProgressAndButtonStates) {
    testing_support::TempFolder folder;
    folder.WriteFile(L"pages.xml", R"(<Window size="40,20">
      <VerticalLayout>
        <TabLayout height="4"><Control/><Control/></TabLayout>
        <TabLayout height="10">
          <Control bkcolor="#FFFF0000"/>
          <Control bkcolor="#FF00FF00"/>
          <Progress width="40" height="10" foreimage="color='#FF0000FF'"/>
        </TabLayout>
        <Button name="b" height="6" bkcolor="#FF000000" hotbkcolor="#FFFFFFFF" pushedbkcolor="#FF808080"/>
      </VerticalLayout></Window>)");
    RenderOptions options = InFolder(folder.Path());
    auto render = [&](const RenderOptions& o) {
        std::wstring out = folder.Join(L"out.png");
        EXPECT_EQ(RenderSkinToPng(L"pages.xml", out, o), L"");
        return ReadPng(out);
    };
    std::shared_ptr<Image> image = render(options);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bitmap.At(5, 8), 0xFFFF0000u);  // the first page of the larger tab layout
    EXPECT_EQ(image->bitmap.At(5, 16), 0xFF000000u);

    options.page = 2;
    options.progress = 25;
    options.hot = L"b";
    image = render(options);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bitmap.At(5, 8), 0xFF0000FFu);   // a quarter of the bar is filled
    EXPECT_EQ(image->bitmap.At(15, 8), 0u);
    EXPECT_EQ(image->bitmap.At(5, 16), 0xFFFFFFFFu);  // hot

    options.hot.clear();
    options.pushed = L"b";
    image = render(options);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bitmap.At(5, 16), 0xFF808080u);

    options.pushed = L"absent";
    EXPECT_NE(RenderSkinToPng(L"pages.xml", folder.Join(L"x.png"), options), L"");
    options.pushed.clear();
    options.page = 3;
    EXPECT_NE(RenderSkinToPng(L"pages.xml", folder.Join(L"x.png"), options), L"");
    SkinResources::Instance().Reset();
}
