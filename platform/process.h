#pragma once
// Child processes and the process list.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/identity.h"
#include "platform/pipe.h"

namespace platform {

class FileReader;

constexpr std::uint32_t kStillActive = 259;

struct ProcessInfo {
    int processId = -1;
    // The process itself where the system hands out a handle to it (Windows); ReleaseProcess
    // closes it.
    NativeHandle handle = kInvalidHandle;
    bool reaped = false;
    std::uint32_t exitCode = kStillActive;
    // The signal that ended the child, 0 when it exited by itself (its exit code is then its
    // own; after a signal it reads 128 + the signal's number, as a shell shows it).
    int terminatingSignal = 0;
};

struct StandardHandles {
    NativeHandle input = kInvalidHandle;
    NativeHandle output = kInvalidHandle;
    NativeHandle error = kInvalidHandle;
};

// Prepares the installer's own process; call it first in main. Writes to a pipe whose reader has
// gone fail instead of ending the process (a log line to a closed standard error is dropped),
// and standard input, output and error that were closed are opened on /dev/null, so that no file
// the program opens later takes their place and receives its log lines. On Windows standard
// output and error carry the bytes written (no CR added before LF), as on Linux.
void PrepareProcess();

// A child in a process group of its own does not receive the terminal's interrupt meant for the
// installer: like a hidden child on Windows, it runs to its end whatever becomes of its parent.
enum class ProcessGroup { Inherit, Own };

// How a program is started beyond its arguments and standard handles.
struct SpawnOptions {
    ProcessGroup group = ProcessGroup::Inherit;
    // The bytes to run: an open file held from its check to the start, so what runs is what was
    // checked whatever its path names by then. The first argument then only names the program.
    const FileReader* image = nullptr;
    // The account whose rights the program runs with (its user and groups, and its home and
    // session in the environment); none: the installer's own. Only a run through sudo names one:
    // Windows has no such run, so there it never comes and means nothing.
    std::optional<UserAccount> runAs;
    // The command line the arguments were split from. A system that hands a program its command
    // line as one text (Windows) passes this one as it is, so the program reads exactly what was
    // built for it (an unquoted "/D=" path last); empty: the arguments, quoted as needed.
    std::wstring commandLine;
    // Empty: the installer's working folder.
    std::wstring workingFolder;
};

// Starts a program with the given arguments (the first names the program) and standard handles,
// hidden, in the installer's environment; a handle left invalid is /dev/null. The child starts
// with default signal handling and nothing blocked, except that writing to a pipe nobody reads
// fails instead of ending it. A program that cannot be started is reported as failure, never as
// a child that exits at once. The error text names the cause.
bool SpawnProcess(const std::vector<std::wstring>& arguments, const StandardHandles& handles,
                  ProcessInfo& process, std::wstring& error, const SpawnOptions& options = {});

// The exit code, or kStillActive while the child runs.
std::uint32_t GetExitCode(ProcessInfo& process);
// Waits without limit; returns the exit code.
std::uint32_t WaitForProcess(ProcessInfo& process);

// Lets go of a child without waiting for it: one still running is reaped in the background
// when it ends, so it never lingers as a zombie. The record is reset.
void ReleaseProcess(ProcessInfo& process);

// Asks a running child to end (a termination request it may handle); false when it is gone.
bool AskProcessToEnd(const ProcessInfo& process);
// Ends a running child at once, as a crash or the task manager would; false when it is gone.
bool KillProcess(const ProcessInfo& process);

// Starts a program detached from the installer (it outlives it, in a session of its own, and is
// never a zombie of the installer's), with its standard streams on /dev/null and default handling
// of every signal, none blocked; false (and the cause) when it cannot start.
bool StartDetached(const std::vector<std::wstring>& arguments, const SpawnOptions& options = {},
                   std::wstring* error = nullptr);

// Runs another program in place of this one: same process, same standard handles. The arguments
// are the system's own bytes, the program's name first. Returns only when it could not start.
void ReplaceProcess(const std::string& program, const std::vector<std::string>& arguments);

int CurrentProcessId();

// Process ids of running processes whose executable file name equals the given name exactly.
std::vector<int> FindProcessesByExecutableName(const std::wstring& fileName);

}  // namespace platform
