#include "install/child_output.h"

#include "platform/clock.h"
#include "platform/file_system.h"
#include "utils/command_line.h"

namespace PackageOutput {
namespace {

constexpr std::size_t kReadBytes = 1024;
constexpr std::uint32_t kPollMilliseconds = 100;
constexpr std::uint32_t kExitPollMilliseconds = 100;
// Bounds the reading after the exit when something the child started keeps writing.
constexpr int kMaxReadsAfterExit = 4096;

}  // namespace

std::unique_ptr<Utils::ChildProcess> LaunchChild(const std::wstring& commandLine,
                                                 const platform::SpawnOptions& options) {
    // A downloaded file arrives without its execute bit (one opened to run has it already).
    const auto arguments = Utils::SplitCommandLine(commandLine);
    if (!options.image && !arguments.empty() && platform::IsRegularFile(arguments[0]))
        platform::SetExecutable(arguments[0]);
    auto child = std::make_unique<Utils::ChildProcess>();
    child->CreatePipes();
    child->Launch(commandLine, options);
    return child;
}

bool ReadChildOutput(Utils::ChildProcess& child, Reader& reader, bool stopAtResult) {
    char buffer[kReadBytes];
    bool resultSeen = false;
    bool parsing = true;
    bool endOfOutput = false;
    auto noteResult = [&](int result) {
        if (result == kNoResult) return;
        resultSeen = true;
        if (stopAtResult) parsing = false;
    };
    // False when nothing was read.
    auto readOnce = [&](std::uint32_t wait) {
        if (endOfOutput || !platform::WaitForReadable(child.outputPipe.read, wait)) return false;
        std::size_t bytesRead = 0;
        child.ReadOutput(buffer, sizeof buffer, bytesRead);
        if (bytesRead == 0) {
            endOfOutput = true;
            if (parsing) noteResult(reader.Finish());
            return false;
        }
        if (parsing) noteResult(reader.Feed(buffer, bytesRead));
        return true;
    };

    while (true) {
        const bool gotData = readOnce(kPollMilliseconds);
        if (child.ExitCode() != platform::kStillActive) break;
        // The output is closed but the child still runs: look again a little later.
        if (!gotData && endOfOutput) platform::SleepMilliseconds(kExitPollMilliseconds);
    }
    for (int reads = 0; reads < kMaxReadsAfterExit && readOnce(0); ++reads) {
    }
    if (parsing && !endOfOutput) noteResult(reader.Finish());
    return resultSeen;
}

}  // namespace PackageOutput
