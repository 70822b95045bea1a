#include "platform/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/file_reader.h"
#include "platform/file_system.h"
#include "platform/posix/launch.h"
#include "platform/utf8.h"

namespace platform {
namespace {

std::vector<std::string> NativeArguments(const std::vector<std::wstring>& arguments) {
    std::vector<std::string> native;
    native.reserve(arguments.size());
    for (const auto& argument : arguments) native.push_back(WideToUtf8(argument));
    return native;
}

void DecodeStatus(int status, ProcessInfo& process) {
    process.reaped = true;
    if (WIFEXITED(status)) {
        process.exitCode = static_cast<std::uint32_t>(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        process.terminatingSignal = WTERMSIG(status);
        process.exitCode = 128u + static_cast<std::uint32_t>(WTERMSIG(status));
    } else {
        process.exitCode = 1;
    }
}

// A disposition of SIGPIPE set to "ignore" survives exec, and it is the only way a spawned child
// can start with it: so the installer keeps it ignored for itself and for its children.
void IgnoreBrokenPipes() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGPIPE, &ignore, nullptr);
    });
}

}  // namespace

void PrepareProcess() {
    IgnoreBrokenPipes();
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number is this one: the ones below it are open by now.
        const int opened = ::open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != descriptor) {
            ::dup2(opened, descriptor);
            ::close(opened);
        }
    }
}

bool SpawnProcess(const std::vector<std::wstring>& arguments, const StandardHandles& handles,
                  ProcessInfo& process, std::wstring& error, const SpawnOptions& options) {
    posix::LaunchRequest request;
    request.arguments = NativeArguments(arguments);
    const NativeHandle wanted[3] = {handles.input, handles.output, handles.error};
    for (int target = 0; target < 3; ++target) request.standard[target] = static_cast<int>(wanted[target]);
    request.ownGroup = options.group == ProcessGroup::Own;
    // A package whose installer has gone keeps installing: its writes to the orphaned pipe fail
    // instead of ending it, as they would on Windows.
    IgnoreBrokenPipes();
    request.keepBrokenPipesIgnored = true;
    request.image = options.image ? static_cast<int>(options.image->Handle()) : -1;
    request.runAs = options.runAs;
    request.workingFolder = PathToNative(options.workingFolder);
    std::string cause;
    const pid_t pid = posix::Launch(request, cause);
    if (pid < 0) {
        error = Utf8ToWideLossy(cause);
        return false;
    }
    process = ProcessInfo{};
    process.processId = pid;
    return true;
}

std::uint32_t GetExitCode(ProcessInfo& process) {
    if (process.reaped || process.processId <= 0) return process.exitCode;
    int status = 0;
    pid_t result = ::waitpid(process.processId, &status, WNOHANG);
    if (result == process.processId) DecodeStatus(status, process);
    return process.exitCode;
}

std::uint32_t WaitForProcess(ProcessInfo& process) {
    if (process.reaped || process.processId <= 0) return process.exitCode;
    int status = 0;
    while (true) {
        pid_t result = ::waitpid(process.processId, &status, 0);
        if (result == process.processId) {
            DecodeStatus(status, process);
            break;
        }
        if (result < 0 && errno != EINTR) {
            process.reaped = true;
            process.exitCode = 1;
            break;
        }
    }
    return process.exitCode;
}

void ReleaseProcess(ProcessInfo& process) {
    if (!process.reaped && process.processId > 0 && GetExitCode(process) == kStillActive) {
        const pid_t pid = process.processId;
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    }
    process = ProcessInfo{};
}

bool AskProcessToEnd(const ProcessInfo& process) {
    // A reaped child's id may belong to another process by now.
    if (process.reaped || process.processId <= 0) return false;
    return ::kill(process.processId, SIGTERM) == 0;
}

bool KillProcess(const ProcessInfo& process) {
    if (process.reaped || process.processId <= 0) return false;
    return ::kill(process.processId, SIGKILL) == 0;
}

bool StartDetached(const std::vector<std::wstring>& arguments, const SpawnOptions& options, std::wstring* error) {
    posix::LaunchRequest request;
    request.arguments = NativeArguments(arguments);
    // Its own session, so closing the installer's terminal does not end the program; and none of
    // the installer's signal settings, so it behaves as when the user starts it.
    request.detached = true;
    request.image = options.image ? static_cast<int>(options.image->Handle()) : -1;
    request.runAs = options.runAs;
    request.workingFolder = PathToNative(options.workingFolder);
    std::string cause;
    if (posix::Launch(request, cause) < 0) {
        if (error) *error = Utf8ToWideLossy(cause);
        return false;
    }
    return true;
}

void ReplaceProcess(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    ::execv(program.c_str(), pointers.data());
}

int CurrentProcessId() { return static_cast<int>(::getpid()); }

std::vector<int> FindProcessesByExecutableName(const std::wstring& fileName) {
    std::vector<int> found;
    DIR* folder = ::opendir("/proc");
    if (!folder) return found;
    const std::string wanted = WideToUtf8(fileName);
    while (dirent* entry = ::readdir(folder)) {
        char* end = nullptr;
        long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        std::string base = std::string("/proc/") + entry->d_name;
        std::string executable;
        char link[4096];
        ssize_t length = ::readlink((base + "/exe").c_str(), link, sizeof link - 1);
        if (length > 0) {
            executable.assign(link, static_cast<std::size_t>(length));
            // A replaced or deleted executable shows as "path (deleted)".
            const std::string deleted = " (deleted)";
            if (executable.size() > deleted.size() &&
                executable.compare(executable.size() - deleted.size(), deleted.size(), deleted) == 0)
                executable.resize(executable.size() - deleted.size());
        } else {
            std::ifstream commandLine(base + "/cmdline", std::ios::binary);
            std::getline(commandLine, executable, '\0');
        }
        auto slash = executable.find_last_of('/');
        std::string name = slash == std::string::npos ? executable : executable.substr(slash + 1);
        if (!name.empty() && name == wanted) found.push_back(static_cast<int>(pid));
    }
    ::closedir(folder);
    return found;
}

}  // namespace platform
