#include "utils/child_process.h"

#include "utils/command_line.h"
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
    for (PipePair* pipe : {&errorPipe, &outputPipe, &inputPipe}) {
        if (!platform::CreatePipe(pipe->read, pipe->write)) {
            ClosePair(*pipe);
            throw Exception();
        }
    }
}

void ChildProcess::Launch(const std::wstring& commandLine) {
    if (commandLine.size() >= kCommandBufferChars) throw Exception();
    // The child receives only the ends named here; the installer's own ends stay closed to it.
    platform::StandardHandles handles;
    handles.input = inputPipe.read;
    handles.output = outputPipe.write;
    handles.error = errorPipe.write;
    std::wstring error;
    if (!platform::SpawnProcess(SplitCommandLine(commandLine), handles, processInfo, error))
        throw Exception();
    launched = true;
    platform::CloseHandle(inputPipe.read);
    platform::CloseHandle(outputPipe.write);
    platform::CloseHandle(errorPipe.write);
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
    ClosePair(errorPipe);
    ClosePair(outputPipe);
    ClosePair(inputPipe);
    // A finished child is reaped so that it leaves no zombie behind.
    if (launched) platform::GetExitCode(processInfo);
    launched = false;
    processInfo = platform::ProcessInfo{};
}

}  // namespace Utils
