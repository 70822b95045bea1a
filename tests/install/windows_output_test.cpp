// A package that writes Chinese in the GBK code page (936) of a Chinese Windows console, read
// through the real pipe of a hidden child.
#include <gtest/gtest.h>

#ifdef _WIN32
#include "install/installer.h"
#include "platform/file_system.h"
#include "report_log.h"
#include "settings/installer_settings.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(WindowsPackageOutput, TextInCodePage936IsDecodedAfterItsAnnouncement) {
    testing_support::TempFolder folder;
    const std::wstring package = folder.Join(L"__Package_kelvoKids.exe");
    ASSERT_TRUE(platform::CopyWholeFile(platform::PathFromNative(KELVO_DEMO_PACKAGE), package));
    testing_support::ReportLog log;
    InstallerSettings::Instance().InstCmd = L"-demo=pace=0,encode=936,messages,error=安装包损坏";
    {
        CInstaller installer(log.Callback(), L"\"" + package + L"\"", folder.Join(L"target"), true, false, false);
        installer.Start();
    }
    InstallerSettings::Instance().InstCmd.clear();
    ASSERT_EQ(log.With(3009).size(), 1u);
    EXPECT_EQ(log.With(3009)[0].text, L"正在安装 Kelvo Kids少儿编程");
    ASSERT_EQ(log.With(2004).size(), 1u);
    EXPECT_EQ(log.With(2004)[0].text, L"安装包损坏");
    EXPECT_DOUBLE_EQ(log.With(2004)[0].value, 1000.0);
}

}  // namespace
#endif
