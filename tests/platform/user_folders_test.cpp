// The per-user places that stand in for the registry and the shell's folders: the key store's
// round trip, the known folders from the environment, and the shell's program start.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <chrono>
#include <thread>

#include "platform/file_system.h"
#include "platform/key_store.h"
#include "platform/known_folders.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"

namespace {

// Points HOME at a temporary folder, without XDG variables, for one test.
class UserFoldersTest : public testing::Test {
protected:
    void SetUp() override {
        environment.Set("HOME", home.NativePath());
        environment.Set("XDG_CONFIG_HOME", nullptr);
        environment.Set("XDG_DATA_HOME", nullptr);
    }
    testing_support::TempFolder home;
    testing_support::ScopedEnvironment environment;
};

#ifndef _WIN32
TEST_F(UserFoldersTest, KnownFoldersFollowTheEnvironment) {
    using platform::KnownFolder;
    EXPECT_EQ(platform::GetKnownFolder(KnownFolder::ApplicationData), home.Join(L".local/share"));
    EXPECT_EQ(platform::GetKnownFolder(KnownFolder::CommonDocuments), home.Join(L".local/share"));
    EXPECT_EQ(platform::GetKnownFolder(KnownFolder::UserConfig), home.Join(L".config"));
    EXPECT_EQ(platform::GetKnownFolder(KnownFolder::ProgramFiles),
              ::geteuid() == 0 ? L"/opt" : home.Join(L".local/opt"));
    environment.Set("XDG_DATA_HOME", "relative/data");  // not absolute: ignored
    environment.Set("XDG_CONFIG_HOME", "/elsewhere/config/");
    EXPECT_EQ(platform::GetKnownFolder(KnownFolder::ApplicationData), home.Join(L".local/share"));
    EXPECT_EQ(platform::GetKnownFolder(KnownFolder::UserConfig), L"/elsewhere/config");
}
#endif

#ifndef _WIN32
TEST_F(UserFoldersTest, KeyStoreGivesBackEveryTextExactly) {
    const std::wstring key = L"Software\\VemarSoft\\kelvoKids";
    const std::wstring values[] = {
        L"",
        L"  blanks around  ",
        L"\"quoted\"",
        L"'single'",
        L"a=b=c",
        L"back\\slash\\",
        L"line\nbreak\r\nand\rmore",
        L"tab\there",
        std::wstring(L"control\x01\x1f\x7f") + L"end",
        L"/home/小明/Kelvo Kids/少儿编程 한국어",
        L"[Software\\Other]",
        L"\"name\"=\"value\"",
        L"; not a comment",
    };
    for (std::size_t i = 0; i < std::size(values); ++i)
        ASSERT_TRUE(platform::WriteKeyValue(key, L"Value" + std::to_wstring(i), values[i])) << i;
    ASSERT_TRUE(platform::WriteKeyValue(key, L"name with = and \"", L"odd name"));
    ASSERT_TRUE(platform::WriteKeyValue(L"Software\\Other", L"Value0", L"another key"));
    ASSERT_TRUE(platform::WriteKeyValue(key, L"Value1", L"replaced"));
    for (std::size_t i = 0; i < std::size(values); ++i) {
        std::wstring read = L"unchanged";
        ASSERT_TRUE(platform::ReadKeyValue(key, L"Value" + std::to_wstring(i), read)) << i;
        EXPECT_EQ(read, i == 1 ? L"replaced" : values[i]) << i;
    }
    std::wstring read;
    EXPECT_TRUE(platform::ReadKeyValue(key, L"name with = and \"", read));
    EXPECT_EQ(read, L"odd name");
    EXPECT_TRUE(platform::ReadKeyValue(L"Software\\Other", L"Value0", read));
    EXPECT_EQ(read, L"another key");
    read = L"unchanged";
    EXPECT_FALSE(platform::ReadKeyValue(key, L"Missing", read));
    EXPECT_FALSE(platform::ReadKeyValue(L"Software\\Missing", L"Value0", read));
    EXPECT_EQ(read, L"unchanged");
    EXPECT_FALSE(platform::WriteKeyValue(L"Bad]\nKey", L"x", L"y"));
    EXPECT_EQ(platform::KeyStorePath(), home.Join(L".config/VemarSoft/keys.reg"));
}
#endif

TEST_F(UserFoldersTest, KeyStoreSkipsDamagedLines) {
    const std::string text =
        "; comment\n\"Orphan\"=\"before any key\"\n[Software\\VemarSoft\\kelvoKids]\n"
        "\"Good\"=\"yes\"\r\nInstallPath=unquoted\n\"Open\"=\"no end\n\"Escape\"=\"\\q\"\n"
        "\"Code\"=\"\\u{41}\\u{zz}\"\n\"Tail\"=\"x\" trailing\n\"Last\"=\"\\u{4e2d}\"\n";
    const platform::KeyStoreContent content = platform::ParseKeyStore(text);
    ASSERT_EQ(content.size(), 1u);
    ASSERT_EQ(content[0].values.size(), 2u);
    EXPECT_EQ(content[0].values[0], std::make_pair(std::wstring(L"Good"), std::wstring(L"yes")));
    EXPECT_EQ(content[0].values[1], std::make_pair(std::wstring(L"Last"), std::wstring(L"中")));
}

TEST(Profile, RefusesTextsThatWouldInjectLines) {
    testing_support::TempFolder folder;
    const std::wstring path = folder.Join(L"set.ini");
    ASSERT_TRUE(platform::WriteProfileString(L"Install", L"AppName", L"kelvoKids", path));
    const struct {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* value;
    } refused[] = {
        {L"Install", L"APPStore", L"a.exe\n[Uninstall]\nIsOverride=false"},
        {L"Install", L"APPStore", L"a.exe\rIsOverride=false"},
        {L"Install", L"Key=Value", L"x"},
        {L"Install", L"[Uninstall", L"x"},
        {L"Install]\n[Uninstall", L"IsOverride", L"false"},
    };
    for (const auto& r : refused) EXPECT_FALSE(platform::WriteProfileString(r.section, r.key, r.value, path)) << r.key;
    EXPECT_EQ(platform::GetProfileString(L"Uninstall", L"IsOverride", L"true", 20, path), L"true");
    EXPECT_EQ(*testing_support::ReadFile(path), "[Install]\nAppName=kelvoKids\n");
}

TEST(Shell, StartsAProgramInItsWorkingFolder) {
    testing_support::TempFolder folder;
    const std::wstring work = folder.Join(L"工作 folder");
    ASSERT_TRUE(platform::CreateFolder(work));
    const std::wstring script = folder.WriteFile(L"product.sh", "#!/bin/sh\npwd > \"$0.out.tmp\"; mv \"$0.out.tmp\" \"$0.out\"\n");
    ASSERT_TRUE(platform::SetExecutable(script));
    ASSERT_TRUE(platform::StartProgram(script, work));
    const std::wstring out = script + L".out";
    for (int i = 0; i < 500 && !platform::PathExists(out); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(platform::PathExists(out));
    EXPECT_EQ(*testing_support::ReadFile(out), platform::PathToNative(work) + "\n");

    std::wstring error;
    EXPECT_FALSE(platform::StartProgram(folder.Join(L"missing"), L"", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(platform::OpenUrl(L"kelvo-no-such-scheme://x", &error));
}

}  // namespace
