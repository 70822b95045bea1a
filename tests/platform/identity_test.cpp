#ifndef _WIN32
#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/identity.h"
#include "platform/utf8.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"

using testing_support::ScopedVariable;

TEST(InvokingUser, IsTheRealUserWithItsHomeOutsideSudo) {
    ScopedVariable sudo("SUDO_UID", nullptr);
    ScopedVariable home("HOME", "/tmp/some-home");
    std::optional<platform::UserAccount> user = platform::InvokingUser();
    ASSERT_TRUE(user);
    EXPECT_EQ(user->uid, ::getuid());
    EXPECT_FALSE(user->throughSudo);
    EXPECT_EQ(user->home, "/tmp/some-home");
}

TEST(InvokingUser, UnderSudoIsTheCallerFromTheAccountDatabase) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    passwd* daemon = ::getpwnam("daemon");
    if (!daemon) GTEST_SKIP() << "no daemon account";
    std::string uid = std::to_string(daemon->pw_uid);
    std::string home = daemon->pw_dir;
    ScopedVariable rootHome("HOME", "/root");

    struct Case {
        const char* sudoUid;
        bool caller;
    } cases[] = {{uid.c_str(), true}, {"0", false}, {"-1", false}, {"12x", false}, {"", false},
                 {"99999999999999999999", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sudoUid);
        ScopedVariable sudo("SUDO_UID", c.sudoUid);
        std::optional<platform::UserAccount> user = platform::InvokingUser();
        ASSERT_TRUE(user);
        EXPECT_EQ(user->throughSudo, c.caller);
        EXPECT_EQ(user->home, c.caller ? home : std::string("/root"));
        EXPECT_EQ(user->uid, c.caller ? daemon->pw_uid : 0u);
    }

    {
        ScopedVariable sudo("SUDO_UID", uid.c_str());
        ScopedVariable sudoUser("SUDO_USER", "someone-else");
        std::wstring name;
        ASSERT_TRUE(platform::GetConsoleUserName(name));
        EXPECT_EQ(platform::WideToUtf8(name), daemon->pw_name);
    }

    testing_support::TempFolder folder;
    std::wstring file = folder.WriteFile(L"record.ini", "x");
    {
        ScopedVariable sudo("SUDO_UID", uid.c_str());
        ASSERT_TRUE(platform::GiveToInvokingUser(file));
    }
    struct stat info {};
    ASSERT_EQ(::lstat(platform::PathToNative(file).c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, daemon->pw_uid);
}

TEST(ConsoleUser, IsTheInvokingUserWhateverSudoUserClaims) {
    // Anyone can set SUDO_USER; without root's rights behind it, it names nobody.
    ScopedVariable sudo("SUDO_UID", nullptr);
    ScopedVariable sudoUser("SUDO_USER", "someone-else");
    std::wstring name;
    ASSERT_TRUE(platform::GetConsoleUserName(name));
    passwd* self = ::getpwuid(::getuid());
    ASSERT_TRUE(self);
    EXPECT_EQ(platform::WideToUtf8(name), self->pw_name);
}
#endif
