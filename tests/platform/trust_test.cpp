// What the installer reads, rewrites and starts where others hold sway: planted links, pipes and
// devices in place of records, another account's files, and a run through sudo whose user
// prepared the folders root works in.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/file_system.h"
#include "platform/identity.h"
#include "platform/key_store.h"
#include "platform/known_folders.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/utf8.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/sudo_scenario.h"
#include "tests/support/temp_folder.h"

namespace {

using testing_support::OwnerOf;
using testing_support::SudoScenario;
using testing_support::TempFolder;

void Link(const std::wstring& target, const std::wstring& link) {
    ASSERT_EQ(::symlink(platform::PathToNative(target).c_str(), platform::PathToNative(link).c_str()), 0);
}

std::string Output(const std::vector<std::wstring>& command, const platform::SpawnOptions& options) {
    platform::NativeHandle readEnd = platform::kInvalidHandle, writeEnd = platform::kInvalidHandle;
    EXPECT_TRUE(platform::CreatePipe(readEnd, writeEnd));
    platform::ProcessInfo child;
    std::wstring error;
    const bool started = platform::SpawnProcess(command, {platform::kInvalidHandle, writeEnd, platform::kInvalidHandle},
                                                child, error, options);
    platform::CloseHandle(writeEnd);
    std::string text;
    char buffer[256];
    std::size_t got = 0;
    while (started && platform::ReadFile(readEnd, buffer, sizeof buffer, got) && got > 0) text.append(buffer, got);
    platform::CloseHandle(readEnd);
    if (started) platform::WaitForProcess(child);
    return text;
}

// Waits for a file a detached program writes.
std::optional<std::string> Awaited(const std::wstring& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (auto text = testing_support::ReadFile(path); text && !text->empty() && text->back() == '\n') return text;
        ::usleep(20000);
    }
    return std::nullopt;
}

TEST(RecordFiles, ReadWholeOnlyFromRegularFilesOfBoundedSize) {
    TempFolder folder;
    const std::wstring fifo = folder.Join(L"fifo.reg");
    ASSERT_EQ(::mkfifo(platform::PathToNative(fifo).c_str(), 0600), 0);
    const std::wstring zero = folder.Join(L"zero.reg");
    Link(L"/dev/zero", zero);
    const std::wstring large = folder.WriteFile(L"large.reg", std::string(platform::kRecordFileLimit + 1, 'x'));
    const std::wstring full = folder.WriteFile(L"full.reg", std::string(platform::kRecordFileLimit, 'x'));
    const std::wstring own = folder.WriteFile(L"own.reg", "[Install]\nLanguage=de-DE\n");
    const std::wstring ownLink = folder.Join(L"link.reg");
    Link(own, ownLink);
    const struct {
        std::wstring path;
        bool read;
    } cases[] = {
        {fifo, false},   // would wait for a writer for ever
        {zero, false},   // would grow without end
        {large, false},  // no record is that large
        {full, true},
        {folder.Path(), false},
        {own, true},
        {ownLink, true},  // a link the folder's owner made, to a file of theirs
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(platform::WideToUtf8(c.path));
        EXPECT_EQ(platform::ReadWholeFile(c.path).has_value(), c.read);
    }
    EXPECT_EQ(platform::GetProfileString(L"Install", L"Language", L"none", 64, fifo), L"none");
}

// A file about to be rewritten keeps its lines only when it is the user's own regular file; a
// link (to a secret of the user's, or anyone's) is replaced and nothing of its target is copied.
TEST(RecordFiles, RewritesCopyNothingFromWhatIsNotTheirOwnFile) {
    TempFolder folder;
    const std::wstring secret = folder.WriteFile(L"secret", "[Keys]\nprivate=SECRET\n");
    const std::wstring settings = folder.Join(L"set.ini");
    const std::wstring fifo = folder.Join(L"fifo.ini");
    ASSERT_EQ(::mkfifo(platform::PathToNative(fifo).c_str(), 0600), 0);
    Link(secret, settings);
    for (const std::wstring& path : {settings, fifo}) {
        SCOPED_TRACE(platform::WideToUtf8(path));
        std::string refusal;
        ASSERT_TRUE(platform::WriteProfileString(L"Install", L"AppName", L"kelvoKids", path, &refusal));
        EXPECT_FALSE(refusal.empty());
        EXPECT_EQ(testing_support::ReadFile(path), std::optional<std::string>("[Install]\nAppName=kelvoKids\n"));
    }
    EXPECT_EQ(testing_support::ReadFile(secret), std::optional<std::string>("[Keys]\nprivate=SECRET\n"));
    std::string refusal;
    ASSERT_TRUE(platform::WriteProfileString(L"Install", L"DeviceID", L"1", settings, &refusal));
    EXPECT_EQ(refusal, "");  // now the user's own file, whose lines stay
    EXPECT_EQ(testing_support::ReadFile(settings), std::optional<std::string>("[Install]\nAppName=kelvoKids\nDeviceID=1\n"));
}

TEST(KeyStore, EscapesComeBackExactlyOrNotAtAll) {
    const struct {
        const char* line;
        bool parsed;
        std::wstring value;
    } cases[] = {
        {R"("v"="a\u{7}b")", true, L"a\x07" L"b"},
        {R"("v"="\u{4e2d}")", true, L"中"},
        {R"("v"="\u{10ffff}")", true, std::wstring(1, static_cast<wchar_t>(0x10FFFF))},
        {R"("v"="\u{d800}")", false, L""},  // a surrogate is no character
        {R"("v"="\u{dfff}")", false, L""},
        {R"("v"="\u{110000}")", false, L""},
        {R"("v"="\u{}")", false, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const platform::KeyStoreContent content = platform::ParseKeyStore(std::string("[k]\n") + c.line + "\n");
        ASSERT_EQ(content.size(), 1u);
        ASSERT_EQ(content[0].values.size(), c.parsed ? 1u : 0u);
        if (!c.parsed) continue;
        EXPECT_EQ(content[0].values[0].second, c.value);
        // Written and read again, unchanged.
        EXPECT_EQ(platform::ParseKeyStore(platform::FormatKeyStore(content))[0].values[0].second, c.value);
    }
}

TEST(KeyStore, TextThatUtf8CannotHoldIsNotWritten) {
    TempFolder folder;
    testing_support::ScopedVariable config("XDG_CONFIG_HOME", folder.NativePath().c_str());
    const std::wstring surrogate(1, static_cast<wchar_t>(0xD800));
    EXPECT_FALSE(platform::WriteKeyValue(L"Software\\VemarSoft\\kelvoKids", L"InstallPath", L"/opt/x" + surrogate));
    EXPECT_FALSE(platform::WriteKeyValue(L"Software\\VemarSoft\\kelvoKids", surrogate, L"/opt/x"));
    ASSERT_TRUE(platform::WriteKeyValue(L"Software\\VemarSoft\\kelvoKids", L"InstallPath", L"/opt/安装"));
    std::wstring value;
    ASSERT_TRUE(platform::ReadKeyValue(L"Software\\VemarSoft\\kelvoKids", L"InstallPath", value));
    EXPECT_EQ(value, L"/opt/安装");
}

// Through sudo: which folders are the user's to change, so that what root does there is done
// with the user's rights.
TEST(UnderSudo, AccountForAPathFollowsWhoMayChangeIt) {
    if (!SudoScenario::Available()) GTEST_SKIP() << "needs root";
    SudoScenario sudo;
    const std::wstring mine = sudo.UserFolder(L".local/opt/kelvoKids");
    const std::wstring rootOnly = sudo.RootOnlyFolder(L"system");
    TempFolder other;
    const std::wstring sealed = other.Join(L"sealed");
    const std::wstring open = other.Join(L"open");
    const std::wstring sticky = other.Join(L"sticky");
    const std::wstring group = other.Join(L"group");
    for (const auto& [path, mode] : {std::pair{sealed, 0755}, {open, 0777}, {sticky, 01777}, {group, 0775}}) {
        ASSERT_TRUE(platform::CreateFolder(path));
        ::chmod(platform::PathToNative(path).c_str(), static_cast<mode_t>(mode));
    }
    ::chown(platform::PathToNative(group).c_str(), 0, sudo.Account().gid);
    other.WriteFile(L"sticky/root.exe", "x");
    other.WriteFile(L"sealed/root.exe", "x");
    const std::wstring userFile = other.WriteFile(L"sealed/user.exe", "x");
    sudo.GiveToUser(userFile);
    const std::wstring linkToMine = other.Join(L"sealed/link");
    Link(mine, linkToMine);
    const struct {
        std::wstring path;
        bool user;
    } cases[] = {
        {platform::JoinPath(mine, L"uninst.ep"), true},
        {platform::JoinPath(mine, L"not/made/yet"), true},
        {platform::JoinPath(rootOnly, L"uninst.ep"), false},
        {platform::JoinPath(sealed, L"root.exe"), false},
        {userFile, true},                                // the program is the user's own
        {platform::JoinPath(open, L"root.exe"), true},   // anyone may replace what lies there
        {platform::JoinPath(sticky, L"root.exe"), false},  // others may not replace root's
        {platform::JoinPath(group, L"root.exe"), true},  // the user's group may
        {platform::JoinPath(linkToMine, L"uninst.ep"), true},  // root's link into the user's folder
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(platform::WideToUtf8(c.path));
        const auto account = platform::AccountFor(c.path);
        EXPECT_EQ(account.has_value(), c.user);
        if (account) {
            EXPECT_EQ(account->uid, sudo.Account().uid);
        }
    }
}

// Links planted in the user's folders lead nowhere root alone may go, and what is made there
// belongs to the user.
TEST(UnderSudo, RecordsInTheUsersFoldersAreMadeWithTheUsersRights) {
    if (!SudoScenario::Available()) GTEST_SKIP() << "needs root";
    SudoScenario sudo;
    const std::wstring target = sudo.RootOnlyFolder(L"etc");
    sudo.UserFolder(L".config");
    const std::wstring planted = platform::JoinPath(sudo.Home(), L".config/VemarSoft");
    Link(target, planted);
    sudo.GiveToUser(planted);
    EXPECT_FALSE(platform::WriteKeyValue(L"Software\\VemarSoft\\kelvoKids", L"InstallPath", L"/opt/x"));
    EXPECT_TRUE(std::filesystem::is_empty(platform::PathToNative(target)));

    // Without the link: made, and the user's.
    ::unlink(platform::PathToNative(planted).c_str());
    ASSERT_TRUE(platform::WriteKeyValue(L"Software\\VemarSoft\\kelvoKids", L"InstallPath", L"/opt/x"));
    EXPECT_EQ(OwnerOf(planted), static_cast<long>(sudo.Account().uid));
    EXPECT_EQ(OwnerOf(platform::KeyStorePath()), static_cast<long>(sudo.Account().uid));

    // A store that is a link to root's secret: nothing of it read, nothing of it copied.
    const std::wstring secret = platform::JoinPath(target, L"shadow");
    ASSERT_TRUE(platform::WriteFileAtomically(secret, "[Software\\VemarSoft\\kelvoKids]\n\"UnInstallEp\"=\"/root/x\"\n"));
    ::unlink(platform::PathToNative(platform::KeyStorePath()).c_str());
    Link(secret, platform::KeyStorePath());
    std::wstring value;
    EXPECT_FALSE(platform::ReadKeyValue(L"Software\\VemarSoft\\kelvoKids", L"UnInstallEp", value));
    ASSERT_TRUE(platform::WriteKeyValue(L"Software\\VemarSoft\\kelvoKids", L"InstallPath", L"/opt/y"));
    EXPECT_EQ(testing_support::ReadFile(platform::KeyStorePath())->find("/root/x"), std::string::npos);
}

TEST(UnderSudo, ProgramsForTheUserRunAsTheUser) {
    if (!SudoScenario::Available()) GTEST_SKIP() << "needs root";
    SudoScenario sudo;
    const std::string uid = std::to_string(sudo.Account().uid);

    platform::SpawnOptions options;
    options.runAs = sudo.Account();
    EXPECT_EQ(Output({L"/bin/sh", L"-c", L"echo $(id -u) $(id -g) $HOME"}, options),
              uid + " " + std::to_string(sudo.Account().gid) + " " + sudo.Account().home + "\n");
    EXPECT_EQ(Output({L"/bin/sh", L"-c", L"id -u"}, {}), "0\n");

    // The product started at the end, and the browser asked for the start page.
    const std::wstring folder = sudo.UserFolder(L"product");
    const std::wstring product = platform::JoinPath(folder, L"Kelvo_Kids.exe");
    ASSERT_TRUE(platform::WriteFileAtomically(product, "#!/bin/sh\nid -u > started.marker\n"));
    ::chmod(platform::PathToNative(product).c_str(), 0755);
    ASSERT_TRUE(platform::StartProgram(product, folder));
    EXPECT_EQ(Awaited(platform::JoinPath(folder, L"started.marker")), uid + "\n");

    const std::wstring tools = sudo.UserFolder(L"bin");
    const std::wstring opened = platform::JoinPath(folder, L"opened.marker");
    const std::wstring gio = platform::JoinPath(tools, L"gio");
    ASSERT_TRUE(platform::WriteFileAtomically(gio, "#!/bin/sh\necho \"$(id -u) $1 $2\" > '" + platform::PathToNative(opened) + "'\n"));
    ::chmod(platform::PathToNative(gio).c_str(), 0755);
    testing_support::ScopedVariable path("PATH", (platform::PathToNative(tools) + ":/usr/bin:/bin").c_str());
    ASSERT_TRUE(platform::OpenUrl(L"https://kelvo.example/start"));
    EXPECT_EQ(Awaited(opened), uid + " open https://kelvo.example/start\n");
}

}  // namespace
#endif
