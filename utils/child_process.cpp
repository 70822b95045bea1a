#include "utils/child_process.h"

#include "utils/command_line.h"
#include "utils/debug_log.h"
#include "utils/exception.h"

namespace Utils {
namespace {

void ClosePair(PipePair& pipe) {
    platform::CloseHandle(pipe.read);
    platform::CloseHandle(pipe.write);
}

}  // namespace

ChildProcess::~ChildProcess() { Release(); }

void ChildProcess::CreatePipes() {
    if (!platform::CreatePipe(outputPipe.read, outputPipe.write)) {
        ClosePair(outputPipe);
        throw Exception();
    }
}

void ChildProcess::Launch(const std::wstring& commandLine, platform::SpawnOptions options) {
    if (commandLine.size() >= kCommandBufferChars) throw Exception();
    // The child receives only the end named here; the installer's own end stays closed to it.
    platform::StandardHandles handles;
    handles.output = outputPipe.write;
    std::wstring error;
    options.group = platform::ProcessGroup::Own;
    if (!platform::SpawnProcess(SplitCommandLine(commandLine), handles, processInfo, error, options)) {
        DEBUG_LOG(L"cannot start %s: %s", commandLine.c_str(), error.c_str());
        throw Exception();
    }
    launched = true;
    platform::CloseHandle(outputPipe.write);
}

bool ChildProcess::ReadOutput(void* buffer, std::size_t size, std::size_t& bytesRead) {
    return platform::ReadFile(outputPipe.read, buffer, size, bytesRead);
}

std::uint32_t ChildProcess::ExitCode() {
    return launched ? platform::GetExitCode(processInfo) : processInfo.exitCode;
}

std::uint32_t ChildProcess::Wait() {
    return launched ? platform::WaitForProcess(processInfo) : processInfo.exitCode;
}

void ChildProcess::Release() {
    ClosePair(outputPipe);
    if (launched) platform::ReleaseProcess(processInfo);
    launched = false;
    processInfo = platform::ProcessInfo{};
}

}  // namespace Utils
