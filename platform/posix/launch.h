#pragma once
// Starting a program on Linux: one fork and exec that every way the installer starts a program
// shares. What the child does between the two is limited to what is safe after a fork in a
// process with threads (system calls, no allocation, no locks); everything it needs is prepared
// before the fork.
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/identity.h"

namespace platform::posix {

struct LaunchRequest {
    std::vector<std::string> arguments;  // the program's path first
    int standard[3] = {-1, -1, -1};      // -1: /dev/null
    bool ownGroup = false;
    // Its own session, and the installer's child only until it has started: nobody waits for it.
    bool detached = false;
    bool keepBrokenPipesIgnored = false;
    int image = -1;  // an open file to run instead of the path
    std::optional<UserAccount> runAs;
    std::string workingFolder;
};

// The child's process id (0 for a detached one), or -1 with the cause in `error`.
pid_t Launch(const LaunchRequest& request, std::string& error);

// The environment a program started for an account gets: the installer's own, with the account's
// home, names and session (runtime folder, session bus, X authority) in place of root's.
std::vector<std::string> EnvironmentFor(const UserAccount& account);

}  // namespace platform::posix
