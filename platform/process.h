#pragma once
// Child processes and the process list.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/pipe.h"

namespace platform {

constexpr std::uint32_t kStillActive = 259;

struct ProcessInfo {
    int processId = -1;
    bool reaped = false;
    std::uint32_t exitCode = kStillActive;
};

struct StandardHandles {
    NativeHandle input = kInvalidHandle;
    NativeHandle output = kInvalidHandle;
    NativeHandle error = kInvalidHandle;
};

// Starts a program with the given arguments (the first names the program) and standard handles,
// hidden, in the installer's environment and working folder. A program that cannot be started
// is reported as failure, never as a child that exits at once. The error text names the cause.
bool SpawnProcess(const std::vector<std::wstring>& arguments, const StandardHandles& handles,
                  ProcessInfo& process, std::wstring& error);

// The exit code, or kStillActive while the child runs.
std::uint32_t GetExitCode(ProcessInfo& process);
// Waits without limit; returns the exit code.
std::uint32_t WaitForProcess(ProcessInfo& process);

// Asks a running child to end (a termination request it may handle); false when it is gone.
bool AskProcessToEnd(const ProcessInfo& process);

// Starts a program detached from the installer (it outlives it); false when it cannot start.
bool StartDetached(const std::vector<std::wstring>& arguments);

// Runs another program in place of this one: same process, same standard handles. The arguments
// are the system's own bytes, the program's name first. Returns only when it could not start.
void ReplaceProcess(const std::string& program, const std::vector<std::string>& arguments);

int CurrentProcessId();

// Process ids of running processes whose executable file name equals the given name exactly.
std::vector<int> FindProcessesByExecutableName(const std::wstring& fileName);

}  // namespace platform
