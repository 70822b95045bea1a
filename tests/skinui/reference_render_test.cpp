// Each shipped window, rendered headlessly from the linked archive, against a reviewed picture
// of it. KELVO_UPDATE_REFERENCES=1 rewrites the pictures (after a deliberate change of look).
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/file_system.h"
#include "platform/utf8.h"
#include "skinui/backend/headless/render_skin.h"
#include "skinui/render/image.h"
#include "skinui/skin_resources.h"
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
    std::optional<std::string> png = platform::ReadWholeFile(path);
    if (!png) return nullptr;
    return DecodeImage(std::vector<std::uint8_t>(png->begin(), png->end()));
}

// Pixels whose channels differ by more than a few counts; anti-aliased text may move a little
// between font library versions, a misplaced control or a changed colour may not.
double DifferingShare(const Bitmap& a, const Bitmap& b) {
    int differing = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            std::uint32_t p = a.At(x, y), q = b.At(x, y);
            for (int shift = 0; shift < 32; shift += 8) {
                if (std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF)) > 24) {
                    ++differing;
                    break;
                }
            }
        }
    }
    return static_cast<double>(differing) / (a.Width() * a.Height());
}

}  // namespace

TEST(ReferenceRender, EveryWindowLooksAsReviewed) {
    const Shot shots[] = {
        {L"mainWnd.xml", L"main_welcome", -1, -1, L""},
        {L"mainWnd.xml", L"main_custom", 1, -1, L""},
        {L"mainWnd.xml", L"main_custom_open", 1, -1, L"", L"languageCombo"},
        {L"mainWnd.xml", L"main_progress", 2, 50, L""},
        {L"mainWnd.xml", L"main_finish", 3, -1, L""},
        {L"mainWnd.xml", L"main_install_hot", -1, -1, L"defaultInstallBtn"},
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
        EXPECT_LT(DifferingShare(got->bitmap, wanted->bitmap), 0.002);
    }
    SkinResources::Instance().Reset();
}
