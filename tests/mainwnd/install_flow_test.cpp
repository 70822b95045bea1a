// The main window through whole installations against the in-process server: the default and
// the custom installation to the finish page, the refusals before a start, the failures and
// their retry, the earlier installation's questions, and one attempt at a time.
#include "tests/mainwnd/main_window_fixture.h"

// The window system's names, which are Windows' own macros where its headers have been seen.
using namespace SkinUI;

namespace {

using mainwnd_testing::MainWindowTest;

TEST_F(MainWindowTest, DefaultInstallationReachesTheFinishPageAndStartsTheProductAsThePackageAsks) {
    const struct {
        const char* style;
        bool startedAtFinish;
        bool startedByTheButton;
    } cases[] = {{"", false, false}, {"AutoStartup", true, false}, {"UserStartup", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        ForgetInstallations();
        started.clear();
        ::setenv("KELVO_DEMO_OPTIONS", (std::string("pace=0") + (*c.style ? ",startup=" : "") + c.style).c_str(), 1);
        Open();
        ASSERT_EQ(window->CurrentPage(), 0);
        ASSERT_TRUE(Click(L"defaultInstallBtn"));
        ASSERT_TRUE(RunUntilPage(3));
        const std::wstring folder = DefaultFolder();
        const std::wstring product = platform::JoinPath(folder, L"Kelvo_Kids.exe");
        EXPECT_EQ(ProgressValue(), 100);
        EXPECT_EQ(Recorded(L"InstallPath"), folder);
        EXPECT_EQ(Recorded(L"UnInstallEp"), platform::JoinPath(folder, L"uninst.ep"));
        EXPECT_EQ(platform::GetProfileString(L"Install", L"AppName", L"", 64, platform::JoinPath(folder, L"set.ini")),
                  L"kelvoKids");
        EXPECT_EQ(PackageArgument(folder, L"dsc"), L"true");
        EXPECT_EQ(PackageArgument(folder, L"inslang"), L"zh-CN");
        EXPECT_EQ(Started(), c.startedAtFinish ? std::vector<std::wstring>{product} : std::vector<std::wstring>{});

        // The window comes to the front after the package's delay (3 s when it names none).
        CSkinFrame other(WindowDescriptor::ForSkinFile(L"MessageBox2Wnd.xml"));
        other.Create(nullptr, L"other", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
        system.SetForeground(other.GetHWND());
        system.AdvanceTime(2999);
        EXPECT_NE(system.GetActiveWindow(), handle);
        system.AdvanceTime(1);
        EXPECT_EQ(system.GetActiveWindow(), handle);

        ASSERT_TRUE(Click(L"openProduceBtn"));
        ASSERT_TRUE(RunUntilClosed());
        EXPECT_EQ(Started().size(), c.startedAtFinish || c.startedByTheButton ? 1u : 0u);
        window.reset();  // waits for the job's workers
        EXPECT_FALSE(platform::PathExists(platform::JoinPath(folder, L"__Package_kelvoKids.exe")));
        EXPECT_TRUE(platform::IsRegularFile(product));
        EXPECT_TRUE(boxes.empty());
    }
}

TEST_F(MainWindowTest, CustomInstallationTakesTheTypedOrChosenFolderAndTheOptions) {
    Open();
    ASSERT_TRUE(Click(L"customeBtn"));
    system.RunPending();
    EXPECT_EQ(window->CurrentPage(), 1);
    EXPECT_TRUE(system.IsVisible(handle));

    // The chooser runs beside the window; its folder gets "kelvoKids" joined to it.
    const std::wstring picked = home.Join(L"Programs");
    chooser = [picked](const std::wstring& title, std::wstring& path) {
        EXPECT_EQ(title, L"选择一个文件夹");
        path = picked;
        return platform::FolderChoice::Chosen;
    };
    window.reset();
    Open();
    ASSERT_TRUE(Click(L"customeBtn"));
    ASSERT_TRUE(Click(L"chDirBtn"));
    const std::wstring wanted = platform::JoinPath(picked, L"kelvoKids");
    ASSERT_TRUE(RunUntil([&] { return Control(L"installDirEdit")->GetText() == wanted; }));
    chooser = [](const std::wstring&, std::wstring&) { return platform::FolderChoice::Unavailable; };
    window.reset();
    Open();
    ASSERT_TRUE(Click(L"customeBtn"));
    const std::wstring typed = home.Join(L"typed/Kelvo Kids");
    TypeFolder(typed);
    Answer(L"MessageBox2Wnd.xml", L"closebtn");
    ASSERT_TRUE(Click(L"chDirBtn"));
    ASSERT_TRUE(RunUntil([&] { return !boxes.empty() && answers.empty(); }));
    EXPECT_EQ(boxes.back().text, L"无法打开文件夹选择窗口，请直接输入安装路径");
    EXPECT_EQ(Control(L"installDirEdit")->GetText(), typed);  // the user types it

    ASSERT_TRUE(Click(L"createDSCb"));  // unticked
    ASSERT_TRUE(Click(L"customeInstallBtn"));
    ASSERT_TRUE(RunUntilPage(3));
    EXPECT_EQ(Recorded(L"InstallPath"), typed);
    EXPECT_EQ(PackageArgument(typed, L"dsc"), L"false");
    EXPECT_EQ(PackageArgument(typed, L"ssc"), L"true");
    EXPECT_EQ(PackageArgument(typed, L"instdir"), typed);
}

// Each refusal leaves the user on the custom page with the install button usable again, and
// nothing asked of the server.
TEST_F(MainWindowTest, RefusalsKeepTheUserOnThePage) {
    const std::wstring tooLong = L"/" + std::wstring(260, L'k');
    const struct {
        std::wstring folder;
        std::uint64_t free;
        std::uint32_t network;
        const wchar_t* message;
    } cases[] = {
        {tooLong, 100ull << 30, 0, L"无效路径"},
        {L"", 100ull << 30, 0, L"无效路径"},
        {L"relative/kelvoKids", 100ull << 30, 0, L"无效路径"},
        {L"/tmp/say \"hi\"/kelvoKids", 100ull << 30, 0, L"无效路径"},
        {L"", 0, 0, L"无效路径"},  // never "less than 1 GB" for an empty path
        {L"$", 1073741823, 0, L"当前磁盘剩余空间低于1GB，请修改安装路径"},
        {L"$", 100ull << 30, 0x10000, L"当前网络环境较差，请在网络通畅时进行安装"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::WideToUtf8(c.folder) + " " + Utils::WideToUtf8(c.message));
        freeBytes = c.free;
        network = c.network;
        InstallerSettings::Instance().IsCheckNet = c.network != 0;
        Open();
        ASSERT_TRUE(Click(L"customeBtn"));
        TypeFolder(c.folder == L"$" ? home.Join(L"elsewhere/kelvoKids") : c.folder);
        boxes.clear();
        Answer(L"MessageBox2Wnd.xml", L"closebtn");
        ASSERT_TRUE(Click(L"customeInstallBtn"));
        ASSERT_TRUE(RunUntil([&] { return !boxes.empty() && answers.empty(); }));
        system.RunPending();
        EXPECT_EQ(boxes.back().text, c.message);
        EXPECT_EQ(boxes.back().caption, L"温馨提示");
        EXPECT_EQ(window->CurrentPage(), 1);
        EXPECT_TRUE(Control(L"customeInstallBtn")->IsEnabled());
        EXPECT_TRUE(Control(L"defaultInstallBtn")->IsEnabled());
        window.reset();
    }
    EXPECT_EQ(packageRequests, 0);
    // 1 GiB exactly is enough.
    freeBytes = 1073741824;
    InstallerSettings::Instance().IsCheckNet = false;
    Open();
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    EXPECT_TRUE(RunUntilPage(3));
}

TEST_F(MainWindowTest, FailedPackageShowsItsTextAndReturnsToTheFirstPage) {
    InstallerSettings::Instance().InstCmd = L"-demo=pace=0,error=磁盘已满";
    Open();
    Answer(L"MessageBox2Wnd.xml", L"closebtn");
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    ASSERT_TRUE(RunUntil([&] { return !boxes.empty() && answers.empty(); }));
    system.RunPending();
    EXPECT_EQ(boxes.back().text, L"磁盘已满");
    EXPECT_EQ(window->CurrentPage(), 0);
    // It had passed 70 %: the display starts again from 0.
    EXPECT_EQ(ProgressValue(), 0);
    EXPECT_EQ(ProgressText(), L"正在安装中:0%，请稍候...");
    EXPECT_TRUE(Control(L"defaultInstallBtn")->IsEnabled());

    // The plain failure state gets the language's text.
    InstallerSettings::Instance().InstCmd = L"-demo=pace=0,fail";
    Answer(L"MessageBox2Wnd.xml", L"closebtn");
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    ASSERT_TRUE(RunUntil([&] { return boxes.size() == 2 && answers.empty(); }));
    EXPECT_EQ(boxes.back().text, L"安装包安装失败");
}

// A download that fails offers the retry; the retry takes the same folder and options, even
// when the custom page's fields changed meanwhile.
TEST_F(MainWindowTest, FailedDownloadIsRetriedWithTheSameFolderAndOptions) {
    missing = true;
    Open();
    ASSERT_TRUE(Click(L"customeBtn"));
    const std::wstring folder = home.Join(L"retry/kelvoKids");
    TypeFolder(folder);
    ASSERT_TRUE(Click(L"createQSCb"));
    onBox = [this](CMessageBoxWnd& box) {
        if (box.GetDescriptor().skinFile != L"NetworkTipWnd.xml") return;
        missing = false;
        TypeFolder(home.Join(L"changed"));
    };
    Answer(L"NetworkTipWnd.xml", L"okBtn");  // "重新安装"
    ASSERT_TRUE(Click(L"customeInstallBtn"));
    ASSERT_TRUE(RunUntilPage(3));
    EXPECT_EQ(BoxFiles(), std::vector<std::wstring>{L"NetworkTipWnd.xml"});
    EXPECT_EQ(Recorded(L"InstallPath"), folder);
    EXPECT_EQ(PackageArgument(folder, L"ssc"), L"false");
}

// "稍后再试": back to the page the attempt started from, from where the window can be closed.
TEST_F(MainWindowTest, FailedDownloadLaterReturnsToTheStartingPage) {
    missing = true;
    Open();
    ASSERT_TRUE(Click(L"customeBtn"));
    Answer(L"NetworkTipWnd.xml", L"cancelBtn");
    ASSERT_TRUE(Click(L"customeInstallBtn"));
    ASSERT_TRUE(RunUntil([&] { return !boxes.empty() && answers.empty(); }));
    ASSERT_TRUE(RunUntilPage(1));
    EXPECT_TRUE(Control(L"customeInstallBtn")->IsEnabled());
    EXPECT_TRUE(Control(L"closebtn")->IsVisible());
    Answer(L"ExitTipWnd.xml", L"okBtn");  // "是"
    ASSERT_TRUE(Click(L"closebtn"));
    EXPECT_TRUE(RunUntilClosed());
}

TEST_F(MainWindowTest, EarlierInstallationIsOfferedBeforeTheWindowShows) {
    const std::wstring earlier = home.Join(L"old/kelvoKids");
    PlantEarlierInstallation(earlier, "ko-KR");

    // "打开软件": the installed product opens in its folder; the window never shows.
    Answer(L"InstalledPathTipWnd.xml", L"cancelBtn");
    Open();
    EXPECT_TRUE(window->IsClosing());
    EXPECT_FALSE(system.IsVisible(handle));
    EXPECT_TRUE(RunUntilClosed());
    EXPECT_EQ(Started(), std::vector<std::wstring>{platform::JoinPath(earlier, L"Kelvo_Kids.exe") + L" in " + earlier});

    // Its close button closes the installer.
    Answer(L"InstalledPathTipWnd.xml", L"closebtn");
    Open();
    EXPECT_TRUE(RunUntilClosed());

    // "安装最新版本": the earlier version's uninstaller runs first, then the new one goes in.
    Answer(L"InstalledPathTipWnd.xml", L"okBtn");
    Open();
    EXPECT_FALSE(window->IsClosing());
    ASSERT_TRUE(RunUntilPage(3));
    EXPECT_EQ(Recorded(L"InstallPath"), earlier);
    EXPECT_TRUE(platform::IsRegularFile(platform::JoinPath(earlier, L"Kelvo_Kids.exe")));
    // In the earlier installation's language, which the new one gets too.
    EXPECT_EQ(Control(L"openProduceBtn")->GetText(), L"지금 시작");
    EXPECT_EQ(PackageArgument(earlier, L"inslang"), L"ko-KR");
    EXPECT_EQ(BoxFiles(), (std::vector<std::wstring>{L"InstalledPathTipWnd.xml", L"InstalledPathTipWnd.xml",
                                                      L"InstalledPathTipWnd.xml"}));
}

TEST_F(MainWindowTest, EarlierInstallationWithFailedDownloadLaterCloses) {
    PlantEarlierInstallation(home.Join(L"old/kelvoKids"));
    missing = true;
    Answer(L"InstalledPathTipWnd.xml", L"okBtn");
    Answer(L"NetworkTipWnd.xml", L"cancelBtn");
    Open();
    EXPECT_TRUE(RunUntilClosed());
    EXPECT_EQ(answers.size(), 0u);
}

TEST_F(MainWindowTest, RunningProductStopsTheInstallation) {
    const std::wstring earlier = home.Join(L"old/kelvoKids");
    PlantEarlierInstallation(earlier);
    platform::ProcessInfo running;
    std::wstring error;
    ASSERT_TRUE(platform::SpawnProcess({platform::JoinPath(earlier, L"Kelvo_Kids.exe"), L"-stay=3000"}, {}, running, error));
    Answer(L"MessageBox1Wnd.xml", L"closebtn");
    Open();
    EXPECT_TRUE(RunUntilClosed());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"安装程序检测到Kelvo Kids少儿编程\r\n正在运行，请退出程序后再安装");

    // With InsNew the installation starts at once, without a question.
    InstallerSettings::Instance().InsNew = true;
    Open();
    ASSERT_TRUE(RunUntilPage(3));
    EXPECT_EQ(boxes.size(), 1u);
    platform::WaitForProcess(running);
}

// One attempt at a time: clicks before the first attempt's start is handled start nothing more,
// and both install buttons are off until the attempt ends.
TEST_F(MainWindowTest, SecondStartWhileOneIsPendingIsIgnored) {
    Open();
    EXPECT_TRUE(window->StartInstall(DefaultFolder(), true, true));
    EXPECT_FALSE(Control(L"defaultInstallBtn")->IsEnabled());
    EXPECT_FALSE(Control(L"customeInstallBtn")->IsEnabled());
    EXPECT_FALSE(window->StartInstall(DefaultFolder(), true, true));
    Click(L"defaultInstallBtn");
    ASSERT_TRUE(RunUntilPage(2));
    EXPECT_FALSE(window->StartInstall(DefaultFolder(), true, true));
    ASSERT_TRUE(RunUntilPage(3));
    window.reset();
    // One download: a probe and a body.
    EXPECT_LE(packageRequests, 2);
}

// While the progress page shows, nothing closes the window: the close request, Alt+F4, and the
// close button (hidden there).
TEST_F(MainWindowTest, ProgressPageRefusesEveryClose) {
    stall = true;
    Open();
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    ASSERT_TRUE(RunUntilPage(2));
    system.PostMessage(handle, WM_CLOSE, 1, 0);
    system.HoldKey(VK_MENU, true);
    system.KeyDown(handle, VK_F4);
    system.HoldKey(VK_MENU, false);
    system.RunPending();
    EXPECT_TRUE(system.IsWindow(handle));
    EXPECT_FALSE(window->IsClosing());
    EXPECT_FALSE(Control(L"closebtn")->IsVisible());
    EXPECT_FALSE(Control(L"minbtn")->IsVisible());
    // The window object goes anyway when its owner drops it, and stops the job.
}

}  // namespace
