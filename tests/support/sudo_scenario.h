#pragma once
// A run through sudo, for tests that run as root: an ordinary account of the system ("daemon")
// stands in for the user who called sudo, with a home folder of the test's that the account owns.
// Without root's rights there is no such run: Available() says so and the test skips.
#include <string>

#include "platform/identity.h"
#include "tests/support/temp_folder.h"

namespace testing_support {

class SudoScenario {
public:
    static bool Available();

    SudoScenario();
    ~SudoScenario();
    SudoScenario(const SudoScenario&) = delete;
    SudoScenario& operator=(const SudoScenario&) = delete;

    const platform::UserAccount& Account() const { return m_account; }
    const std::wstring& Home() const { return m_home; }
    // A folder (with its parents) inside the home, made by and for the account.
    std::wstring UserFolder(const std::wstring& relative) const;
    // A folder outside the home that only root may enter: where planted links lead.
    std::wstring RootOnlyFolder(const std::wstring& name) const;
    // Gives a file or folder to the account (never following a link).
    void GiveToUser(const std::wstring& path) const;

private:
    TempFolder m_root;
    std::wstring m_home;
    platform::UserAccount m_account;
};

// The owner of a path itself (a link's own owner), or -1 when nothing is there.
long OwnerOf(const std::wstring& path);

}  // namespace testing_support
