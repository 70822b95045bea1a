#pragma once
// One child process whose standard output is a pipe the runner reads. Its standard input and
// error are /dev/null: nobody writes to the one or reads the other, and a pipe left unread
// would stall a child that writes much to it, as one never written to stalls a child that
// reads it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/pipe.h"
#include "platform/process.h"

namespace Utils {

struct PipePair {
    platform::NativeHandle write = platform::kInvalidHandle;
    platform::NativeHandle read = platform::kInvalidHandle;
};

class ChildProcess {
public:
    static constexpr std::size_t kCommandBufferChars = 1024;

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Creates the output pipe; throws Utils::Exception when it cannot be created.
    void CreatePipes();
    // Starts the command line hidden, in a process group of its own, with the output pipe as its
    // standard output, and closes the child's end here. The options may name the bytes to run and
    // the account to run them as. Throws Utils::Exception when the command does not fit the
    // buffer (1,023 characters) or the process cannot be started (the cause is logged).
    void Launch(const std::wstring& commandLine, platform::SpawnOptions options = {});
    // Blocking read of the child's standard output; false at its end.
    bool ReadOutput(void* buffer, std::size_t size, std::size_t& bytesRead);
    // The exit code, or platform::kStillActive (259) while the child runs.
    std::uint32_t ExitCode();
    std::uint32_t Wait();
    // The signal that ended the child; 0 while it runs or when it exited by itself.
    int TerminatingSignal() const { return processInfo.terminatingSignal; }
    // Closes every remaining handle. A child still running is not waited for here; it is reaped
    // when it ends.
    void Release();

    PipePair outputPipe;
    platform::ProcessInfo processInfo;
    bool launched = false;
};

}  // namespace Utils
