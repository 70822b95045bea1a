// The progress display: the arithmetic of the two shares as a table, and the window turning
// reports into its bar and text (the formats, the slow-download text, untrusted values).
#include <cmath>
#include <limits>

#include "tests/mainwnd/main_window_fixture.h"
#include "ui/install_progress.h"

namespace {

using mainwnd_testing::MainWindowTest;

TEST(InstallProgress, DownloadShareIsTruncatedInTheOrderOfItsFactors) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double scale;
        double fraction;
        int percent;
    } cases[] = {
        {0.7, 0.5, 35}, {0.7, 1.0, 70}, {0.7, 0.1, 6},  // 0.1 x 0.7 x 100 is 6.999...
        {0.7, -3, 0},   {0.7, 1e300, 70}, {0.7, nan, 0}, {0.7, -0.0, 0},
        {1.0, 1.0, 100}, {0.0, 1.0, 0},  {2.5, 1.0, 70},  // a scale out of range is the default
    };
    for (const auto& c : cases) {
        InstallProgress progress(c.scale);
        EXPECT_EQ(progress.DownloadPercent(c.fraction), c.percent) << c.scale << " " << c.fraction;
    }
}

TEST(InstallProgress, InstallationShareClimbsByAtLeastAStepAndNeverBelowTheReport) {
    const struct {
        std::vector<double> reports;
        std::vector<int> shown;
    } cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0, 1}, {74, 78, 83, 88, 92, 97, 98, 98, 100}},
        {{0.5, 0.2, 0.99}, {85, 89, 99}},
        {{1e300}, {100}},
        {{-7, std::numeric_limits<double>::quiet_NaN()}, {74, 78}},
    };
    for (const auto& c : cases) {
        InstallProgress progress(0.7);
        std::vector<int> shown;
        for (double report : c.reports) shown.push_back(progress.InstallPercent(report));
        EXPECT_EQ(shown, c.shown);
    }
    InstallProgress progress(0.7);
    for (int i = 0; i < 8; ++i) progress.InstallPercent(0);
    progress.Reset();  // a new attempt starts from the bottom of the share again
    EXPECT_EQ(progress.InstallPercent(0), 74);
}

TEST(InstallProgress, TextTakesOnlyAFormatWithOneIntegerConversion) {
    const std::wstring slow = L"Installing: %d%%, nearly there...";
    const std::wstring normal = L"Installing: %d%%, please wait...";
    const struct {
        int percent;
        double seconds;
        std::wstring skin;
        std::wstring slow;
        std::wstring normal;
        std::wstring text;
    } cases[] = {
        {35, 0, L"", slow, normal, L"Installing: 35%, please wait..."},
        {35, 60, L"", slow, normal, L"Installing: 35%, please wait..."},
        {35, 61, L"", slow, normal, L"Installing: 35%, nearly there..."},
        {35, 0, L"已完成 %3d%%", slow, normal, L"已完成  35%"},
        {35, 0, L"%s %d", slow, normal, L"Installing: 35%, please wait..."},  // a skin format that reads memory
        {35, 0, L"%d %d", slow, normal, L"Installing: 35%, please wait..."},
        {35, 0, L"%n", L"", L"%{29}", L"正在安装中:35%，请稍候..."},           // no usable translation
        {35, 61, L"", L"%d %s", normal, L"正在安装中:35%，请耐心等待..."},
        {150, 0, L"", slow, normal, L"Installing: 100%, please wait..."},
        {-4, 0, L"", slow, normal, L"Installing: 0%, please wait..."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InstallProgress::Text(c.percent, c.seconds, c.skin, c.slow, c.normal), c.text)
            << Utils::WideToUtf8(c.skin);
    }
}

// Reports handed to the window as the job hands them: the bar and the text follow, the slow
// text after 60 seconds of download, the skin's own format when it has one.
TEST_F(MainWindowTest, ReportsMoveTheBarAndTheText) {
    Open();
    window->PostStatus(1001, 1, L"");
    window->PostStatus(1002, 0.5, L"");
    system.RunPending();
    EXPECT_EQ(ProgressValue(), 35);
    EXPECT_EQ(ProgressText(), L"正在安装中:35%，请稍候...");

    tick = 61000;
    window->PostStatus(1002, 1e300, L"");
    system.RunPending();
    EXPECT_EQ(ProgressValue(), 70);
    EXPECT_EQ(ProgressText(), L"正在安装中:70%，请耐心等待...");

    Control(L"progressLb")->SetUserData(L"%d / 100");
    for (int i = 0; i < 3; ++i) window->PostStatus(2002, 0, L"");
    system.RunPending();
    EXPECT_EQ(ProgressValue(), 83);
    EXPECT_EQ(ProgressText(), L"83 / 100");
    window->PostStatus(2002, 1.0, L"");
    system.RunPending();
    EXPECT_EQ(ProgressText(), L"100 / 100");

    // The package's delays: -1 read as unsigned, nonsense as none.
    window->PostStatus(3007, 4294967295.0, L"");
    window->PostStatus(3008, -5, L"");
    system.RunPending();
    EXPECT_EQ(window->TopShowDelay(), 0xFFFFFFFFu);
    EXPECT_EQ(window->FinishCloseDelay(), 0u);
}

// A failure below 70 % leaves the text; a later attempt opens at the bottom of the installation
// share, not where the failed one stopped.
TEST_F(MainWindowTest, FailureBelowSeventyKeepsTheTextAndARetryStartsAfresh) {
    Open();
    Answer(L"MessageBox2Wnd.xml", L"closebtn");
    window->PostStatus(1002, 0.98, L"");
    window->PostStatus(2004, 0, L"");
    ASSERT_TRUE(RunUntil([&] { return answers.empty() && window->CurrentPage() == 0; }));
    EXPECT_EQ(ProgressValue(), 68);
    EXPECT_EQ(ProgressText(), L"正在安装中:68%，请稍候...");
    EXPECT_EQ(boxes.back().text, L"安装失败");

    for (int i = 0; i < 8; ++i) window->PostStatus(2002, 0, L"");
    system.RunPending();
    EXPECT_EQ(ProgressValue(), 98);
    stall = true;  // the next attempt stays in its download
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    ASSERT_TRUE(RunUntilPage(2));
    EXPECT_EQ(window->Progress().InstallFraction(), 0.0);
}

}  // namespace
