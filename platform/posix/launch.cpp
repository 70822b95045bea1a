#include "platform/posix/launch.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace platform::posix {
namespace {

// Everything the child uses, made before the fork: after it the child may not allocate.
struct Prepared {
    std::vector<std::string> arguments;
    std::vector<char*> argumentPointers;
    std::vector<std::string> environment;
    std::vector<char*> environmentPointers;
    std::vector<gid_t> groups;
    // A script is read by its interpreter through the image's descriptor, which must then stay
    // open across the exec.
    bool imageIsScript = false;
    int nullInput = -1;
    int nullOutput = -1;
};

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Tells the parent why the child could not start, then ends it.
[[noreturn]] void Fail(int statusPipe, int error) {
    ssize_t ignored = ::write(statusPipe, &error, sizeof error);
    (void)ignored;
    ::_exit(127);
}

// The child between fork and exec. Only calls that are safe after a fork with threads.
[[noreturn]] void RunChild(const LaunchRequest& request, const Prepared& prepared, int statusPipe) {
    // The standard streams: first every source above 2, so that placing one cannot overwrite
    // another still to be placed.
    int sources[3];
    for (int target = 0; target < 3; ++target) {
        const int source = request.standard[target] >= 0 ? request.standard[target]
                                                         : (target == 0 ? prepared.nullInput : prepared.nullOutput);
        sources[target] = ::fcntl(source, F_DUPFD_CLOEXEC, 3);
        if (sources[target] < 0) Fail(statusPipe, errno);
    }
    for (int target = 0; target < 3; ++target)
        if (::dup2(sources[target], target) < 0) Fail(statusPipe, errno);

    if (request.ownGroup && !request.detached && ::setpgid(0, 0) != 0) Fail(statusPipe, errno);

    // Default handling of every signal and none blocked, whatever the installer's threads hold;
    // SIGPIPE stays ignored when asked, the one setting that survives exec.
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    struct sigaction ignore = defaults;
    ignore.sa_handler = SIG_IGN;
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal == SIGKILL || signal == SIGSTOP) continue;
        ::sigaction(signal, signal == SIGPIPE && request.keepBrokenPipesIgnored ? &ignore : &defaults, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    if (request.runAs) {
        // The system calls themselves: the library's wrappers would try to tell threads the
        // child does not have. Groups first, the user last, while the rights to change them last.
        if (::syscall(SYS_setgroups, prepared.groups.size(), prepared.groups.data()) != 0) Fail(statusPipe, errno);
        const gid_t group = request.runAs->gid;
        const uid_t user = request.runAs->uid;
        if (::syscall(SYS_setresgid, group, group, group) != 0) Fail(statusPipe, errno);
        if (::syscall(SYS_setresuid, user, user, user) != 0) Fail(statusPipe, errno);
    }
    if (!request.workingFolder.empty() && ::chdir(request.workingFolder.c_str()) != 0) Fail(statusPipe, errno);

    char* const* argv = prepared.argumentPointers.data();
    char* const* envp = request.runAs ? prepared.environmentPointers.data() : environ;
    if (request.image >= 0) {
        if (prepared.imageIsScript) ::fcntl(request.image, F_SETFD, 0);
        ::fexecve(request.image, argv, envp);
    } else {
        ::execve(argv[0], argv, envp);
    }
    Fail(statusPipe, errno);
}

// The first child of a detached start: a session of its own, then the program in a grandchild,
// so the program is never the installer's child and never its zombie.
[[noreturn]] void RunDetached(const LaunchRequest& request, const Prepared& prepared, int statusPipe) {
    if (::setsid() < 0) Fail(statusPipe, errno);
    const pid_t program = ::fork();
    if (program < 0) Fail(statusPipe, errno);
    if (program > 0) ::_exit(0);
    RunChild(request, prepared, statusPipe);
}

bool IsOwnedFolder(const std::string& path, uid_t owner) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == owner;
}

bool IsVariable(const std::string& entry, const char* name) {
    const std::size_t length = std::strlen(name);
    return entry.size() > length && entry.compare(0, length, name) == 0 && entry[length] == '=';
}

}  // namespace

std::vector<std::string> EnvironmentFor(const UserAccount& account) {
    // Root's own places and the record of the sudo call are not the user's.
    static const char* const kReplaced[] = {"HOME",     "USER",      "LOGNAME",         "MAIL",
                                            "SUDO_UID", "SUDO_GID",  "SUDO_USER",       "SUDO_COMMAND",
                                            "XDG_RUNTIME_DIR",       "DBUS_SESSION_BUS_ADDRESS"};
    std::vector<std::string> environment;
    bool hasAuthority = false;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const char* name : kReplaced) replaced = replaced || IsVariable(text, name);
        hasAuthority = hasAuthority || IsVariable(text, "XAUTHORITY");
        if (!replaced) environment.push_back(text);
    }
    environment.push_back("HOME=" + account.home);
    if (!account.name.empty()) {
        environment.push_back("USER=" + account.name);
        environment.push_back("LOGNAME=" + account.name);
    }
    const std::string runtime = "/run/user/" + std::to_string(account.uid);
    if (IsOwnedFolder(runtime, account.uid)) {
        environment.push_back("XDG_RUNTIME_DIR=" + runtime);
        struct stat bus {};
        if (::lstat((runtime + "/bus").c_str(), &bus) == 0 && S_ISSOCK(bus.st_mode))
            environment.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + runtime + "/bus");
    }
    const std::string authority = account.home + "/.Xauthority";
    if (!hasAuthority && ::access(authority.c_str(), F_OK) == 0) environment.push_back("XAUTHORITY=" + authority);
    return environment;
}

pid_t Launch(const LaunchRequest& request, std::string& error) {
    if (request.arguments.empty() || request.arguments[0].empty()) {
        error = "empty command line";
        return -1;
    }
    Prepared prepared;
    prepared.arguments = request.arguments;
    prepared.argumentPointers = Pointers(prepared.arguments);
    if (request.runAs) {
        prepared.environment = EnvironmentFor(*request.runAs);
        prepared.environmentPointers = Pointers(prepared.environment);
        for (unsigned group : GroupsOf(*request.runAs)) prepared.groups.push_back(static_cast<gid_t>(group));
    }
    if (request.image >= 0) {
        char start[2] = {};
        prepared.imageIsScript = ::pread(request.image, start, sizeof start, 0) == 2 && start[0] == '#' && start[1] == '!';
    }
    prepared.nullInput = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    prepared.nullOutput = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    int status[2] = {-1, -1};
    if (prepared.nullInput < 0 || prepared.nullOutput < 0 || ::pipe2(status, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        if (prepared.nullInput >= 0) ::close(prepared.nullInput);
        if (prepared.nullOutput >= 0) ::close(prepared.nullOutput);
        return -1;
    }

    const pid_t child = ::fork();
    if (child == 0) {
        ::close(status[0]);
        if (request.detached) RunDetached(request, prepared, status[1]);
        RunChild(request, prepared, status[1]);
    }
    const int forkError = errno;
    ::close(status[1]);
    ::close(prepared.nullInput);
    ::close(prepared.nullOutput);
    if (child < 0) {
        ::close(status[0]);
        error = std::strerror(forkError);
        return -1;
    }
    // The pipe closes at the exec; a number on it is the reason the program did not start.
    int childError = 0;
    ssize_t got = 0;
    do {
        got = ::read(status[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    ::close(status[0]);
    const bool started = got != static_cast<ssize_t>(sizeof childError);
    if (!started || request.detached) {
        int ignored = 0;
        while (::waitpid(child, &ignored, 0) < 0 && errno == EINTR) {
        }
    }
    if (!started) {
        error = std::strerror(childError);
        return -1;
    }
    return request.detached ? 0 : child;
}

}  // namespace platform::posix
