#include "tests/support/program_run.h"

#include <sstream>

#include "platform/pipe.h"
#include "platform/process.h"
#include "utils/command_line.h"

namespace testing_support {

ProgramRun RunProgram(const std::wstring& commandLine) {
    ProgramRun run;
    platform::NativeHandle readEnd = platform::kInvalidHandle;
    platform::NativeHandle writeEnd = platform::kInvalidHandle;
    if (!platform::CreatePipe(readEnd, writeEnd)) return run;
    platform::ProcessInfo process;
    std::wstring error;
    run.started = platform::SpawnProcess(Utils::SplitCommandLine(commandLine),
                                         {platform::kInvalidHandle, writeEnd, writeEnd}, process, error);
    platform::CloseHandle(writeEnd);
    std::string output;
    char buffer[4096];
    std::size_t bytesRead = 0;
    while (run.started && platform::ReadFile(readEnd, buffer, sizeof buffer, bytesRead) && bytesRead > 0)
        output.append(buffer, bytesRead);
    platform::CloseHandle(readEnd);
    if (run.started) run.exitCode = platform::WaitForProcess(process);
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);)
        if (line.rfind("<P", 0) != 0) run.lines.push_back(line);
    return run;
}

}  // namespace testing_support
