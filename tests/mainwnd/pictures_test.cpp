// The main window's pages as the window itself shows them (its background, title buttons, back
// button and logo per page), over its shadow, against reviewed pictures.
// KELVO_UPDATE_REFERENCES=1 rewrites the pictures after a deliberate change of look.
#include "skinui/container.h"
#include "skinui/render/image.h"
#include "tests/mainwnd/main_window_fixture.h"
#include "tests/support/picture_compare.h"

namespace {

using mainwnd_testing::MainWindowTest;

class MainWindowPictures : public MainWindowTest {
protected:
    void SetUp() override {
        Open();
        // The proposed folder lies in the test's home: a fixed one keeps the picture the same.
        TypeFolder(L"/opt/kelvoKids");
        system.RunPending();
    }
    SkinUI::Bitmap Picture() {
        system.RunPending();
        return system.Composite(handle);
    }
    // Compares with the reviewed picture, or writes it when asked to.
    void Check(const wchar_t* name) {
        const std::wstring path =
            platform::JoinPath(platform::PathFromNative(KELVO_REFERENCE_PICTURES), std::wstring(name) + L".png");
        SCOPED_TRACE(Utils::WideToUtf8(path));
        const SkinUI::Bitmap picture = Picture();
        if (std::getenv("KELVO_UPDATE_REFERENCES")) {
            ASSERT_TRUE(SkinUI::WritePng(picture, path));
            m_reviewed[name] = picture;
            return;
        }
        const std::optional<std::string> png = testing_support::ReadFile(path);
        ASSERT_TRUE(png);
        const auto reviewed = SkinUI::DecodeImage(std::vector<std::uint8_t>(png->begin(), png->end()));
        ASSERT_TRUE(reviewed);
        const testing_support::PictureDifference difference = testing_support::ComparePictures(picture, reviewed->bitmap);
        EXPECT_TRUE(difference.Matches()) << difference.share << " of the pixels, " << difference.worstTile
                                          << " in one tile";
        if (const char* keep = std::getenv("KELVO_RENDER_DIR"))
            SkinUI::WritePng(picture, platform::JoinPath(platform::PathFromNative(keep), std::wstring(name) + L".png"));
        m_reviewed[name] = reviewed->bitmap;
    }
    // The picture differs enough from the reviewed one that the comparison fails.
    bool Differs(const wchar_t* name) {
        return !testing_support::ComparePictures(Picture(), m_reviewed[name]).Matches();
    }
    void SelectPage(int page) {
        static_cast<SkinUI::CTabLayoutUI*>(window->FindControl(L"mainTabLt"))->SelectItem(page);
    }

private:
    std::map<std::wstring, SkinUI::Bitmap> m_reviewed;
};

TEST_F(MainWindowPictures, EveryPageLooksAsReviewed) {
    Check(L"main_welcome");
    const SkinUI::UiRect install = Control(L"defaultInstallBtn")->GetPos();
    system.MouseMove(handle, install.left + install.Width() / 2, install.top + install.Height() / 2);
    Check(L"main_install_hot");
    system.MouseMove(handle, 1, 399);

    ASSERT_TRUE(Click(L"customeBtn"));
    system.MouseMove(handle, 1, 399);
    Check(L"main_custom");
    if (HasFailure()) return;  // the rest needs the reviewed picture
    // Tight enough that a missing check mark, or a missing title button, fails.
    Control<SkinUI::COptionUI>(L"createQSCb")->Selected(false);
    EXPECT_TRUE(Differs(L"main_custom"));
    Control<SkinUI::COptionUI>(L"createQSCb")->Selected(true);
    Control(L"minbtn")->SetVisible(false);
    EXPECT_TRUE(Differs(L"main_custom"));
    Control(L"minbtn")->SetVisible(true);
    EXPECT_FALSE(Differs(L"main_custom"));

    SelectPage(2);
    window->PostStatus(1002, 0.5, L"");
    Check(L"main_progress");
    window->PostStatus(2003, 0, L"");
    Check(L"main_finish");
}

}  // namespace
