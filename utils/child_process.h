#pragma once
// One child process with its standard input, output and error on three pipes. The pipes are
// created by the runner before the launch; the launch and the release are here.
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

    // Creates the error, output and input pipes in that order; throws Utils::Exception (after
    // closing what was made) when one cannot be created.
    void CreatePipes();
    // Starts the command line hidden with the pipes as its standard handles and closes the
    // child's ends here. Throws Utils::Exception when the command does not fit the buffer
    // (1,023 characters) or the process cannot be started.
    void Launch(const std::wstring& commandLine);
    // Blocking read of the child's standard output; false at its end.
    bool ReadOutput(void* buffer, std::size_t size, std::size_t& bytesRead);
    // The exit code, or platform::kStillActive (259) while the child runs.
    std::uint32_t ExitCode();
    std::uint32_t Wait();
    // Closes every remaining handle. A child still running is not waited for here.
    void Release();

    PipePair errorPipe;
    PipePair outputPipe;
    PipePair inputPipe;
    platform::ProcessInfo processInfo;
    bool launched = false;
};

}  // namespace Utils
