// The boxes speak the language of the moment: their own texts are numbered references, and a
// box built after a language was loaded keeps that language. In every language each text fits
// its control, with the longest texts the main window hands to the two generic boxes.
#include <gtest/gtest.h>

#include "platform/utf8.h"
#include "skinui/label.h"
#include "skinui/resource.h"
#include "skinui/text_table.h"
#include "tests/ui/ui_fixture.h"
#include "ui/message_box.h"
#include "ui/window_language.h"
#include "utils/language.h"

using namespace SkinUI;

namespace {

class BoxLanguageTest : public ui_testing::UiFixture {
protected:
    BoxLanguageTest() {
        const ResourceBlob archive = FindResource(L"ZIPRES", 147);
        SkinResources::Instance().SetArchive(archive.data, archive.size);
    }
    // Builds the box hidden with the text and caption, lays it out, and returns it.
    std::unique_ptr<CMessageBoxWnd> Build(const wchar_t* file, const std::wstring& text = {},
                                          const std::wstring& caption = {}) {
        auto box = std::make_unique<CMessageBoxWnd>(WindowDescriptor::ForSkinFile(file));
        EXPECT_TRUE(box->Create(nullptr, L"box", WS_OVERLAPPEDWINDOW, 0));
        if (!text.empty() && box->GetTextLabel()) box->GetTextLabel()->SetText(text);
        if (!caption.empty() && box->GetCaptionLabel()) box->GetCaptionLabel()->SetText(caption);
        box->GetPaintManager().Paint();
        return box;
    }
};

TEST_F(BoxLanguageTest, ABoxBuiltAfterALanguageWasLoadedKeepsIt) {
    LoadLanguageStrings(5, L"");  // de-DE
    auto box = Build(L"ExitTipWnd.xml");
    EXPECT_EQ(box->FindControl(L"okBtn")->GetText(), L"Ja");
    auto network = Build(L"NetworkTipWnd.xml");
    EXPECT_EQ(network->FindControl(L"cancelBtn")->GetText(), L"Später");
    EXPECT_EQ(LanguageText(41), L"Ja");
    TextTable::Instance().Clear();
    // Alone, a box shows its own Chinese defaults.
    EXPECT_EQ(Build(L"ExitTipWnd.xml")->FindControl(L"okBtn")->GetText(), L"是");
}

TEST_F(BoxLanguageTest, EveryTextFitsEveryBoxInEveryLanguage) {
    struct Shown {
        const wchar_t* file;
        int text;
        int caption;
    };
    // What the main window puts into the generic boxes; the tip boxes carry their own texts.
    const Shown shown[] = {
        {L"MessageBox1Wnd.xml", 23, 21}, {L"MessageBox1Wnd.xml", 0, 22},  {L"MessageBox2Wnd.xml", 24, 21},
        {L"MessageBox2Wnd.xml", 25, 21}, {L"MessageBox2Wnd.xml", 26, 21}, {L"MessageBox2Wnd.xml", 27, 21},
        {L"MessageBox2Wnd.xml", 32, 21}, {L"MessageBox2Wnd.xml", 35, 21}, {L"ExitTipWnd.xml", 0, 0},
        {L"NetworkTipWnd.xml", 0, 0},    {L"InstalledPathTipWnd.xml", 0, 0},
    };
    for (int index = 0; index < Utils::kLanguageCount; ++index) {
        LoadLanguageStrings(index, L"");
        for (const Shown& s : shown) {
            auto box = Build(s.file, s.text ? LanguageText(s.text) : L"", s.caption ? LanguageText(s.caption) : L"");
            const UiRect window = system.GetWindowRect(box->GetHWND());
            ui_testing::ExpectTextsFit(box->GetPaintManager(), window.Width(),
                                       Utils::LocaleCodes()[index] + " " + platform::WideToUtf8(s.file));
        }
    }
}

}  // namespace
