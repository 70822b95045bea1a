// Each shipped box, rendered headlessly from the linked archive, against a reviewed picture
// of it. KELVO_UPDATE_REFERENCES=1 rewrites the pictures (after a deliberate change of look).
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/file_system.h"
#include "platform/utf8.h"
#include "skinui/backend/headless/render_skin.h"
#include "skinui/render/image.h"
#include "skinui/skin_resources.h"
#include "tests/support/picture_compare.h"
#include "tests/support/temp_folder.h"

using namespace SkinUI;

namespace {

struct Shot {
    const wchar_t* skinFile;
    const wchar_t* picture;
    int page;
    int progress;
    const wchar_t* hot;
    const wchar_t* open = L"";
};

std::shared_ptr<Image> ReadPng(const std::wstring& path) {
    std::optional<std::string> png = testing_support::ReadFile(path);
    if (!png) return nullptr;
    return DecodeImage(std::vector<std::uint8_t>(png->begin(), png->end()));
}

}  // namespace

TEST(ReferenceRender, EveryWindowLooksAsReviewed) {
    const Shot shots[] = {
        {L"mainWnd.xml", L"main_custom_open", 1, -1, L"", L"languageCombo"},
        {L"MessageBox1Wnd.xml", L"message_box1", -1, -1, L""},
        {L"MessageBox2Wnd.xml", L"message_box2", -1, -1, L""},
        {L"exitTipWnd.xml", L"exit_tip", -1, -1, L"okBtn"},
        {L"NetworkTipWnd.xml", L"network_tip", -1, -1, L""},
        {L"InstalledPathTipWnd.xml", L"installed_path_tip", -1, -1, L""},
    };
    const bool update = std::getenv("KELVO_UPDATE_REFERENCES") != nullptr;
    const std::wstring references = platform::Utf8ToWideLossy(KELVO_REFERENCE_PICTURES);
    testing_support::TempFolder folder;
    const std::wstring scratch = folder.Join(L"render.png");
    SkinResources::Instance().Reset();
    for (const Shot& shot : shots) {
        const std::wstring expected = platform::JoinPath(references, std::wstring(shot.picture) + L".png");
        SCOPED_TRACE(platform::WideToUtf8(expected));
        RenderOptions options;
        options.page = shot.page;
        options.progress = shot.progress;
        options.hot = shot.hot;
        options.open = shot.open;
        ASSERT_EQ(RenderSkinToPng(shot.skinFile, update ? expected : scratch, options), L"");
        if (update) continue;
        std::shared_ptr<Image> wanted = ReadPng(expected), got = ReadPng(scratch);
        ASSERT_TRUE(wanted);
        ASSERT_TRUE(got);
        ASSERT_EQ(got->bitmap.Width(), wanted->bitmap.Width());
        ASSERT_EQ(got->bitmap.Height(), wanted->bitmap.Height());
        const testing_support::PictureDifference difference = testing_support::ComparePictures(got->bitmap, wanted->bitmap);
        EXPECT_TRUE(difference.Matches()) << difference.share << " of the pixels, " << difference.worstTile
                                          << " in one tile";
    }
    SkinResources::Instance().Reset();
}
