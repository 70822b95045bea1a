#pragma once
// Running a setup program or uninstaller as a hidden child and reading its output.
#include <memory>
#include <string>

#include "install/output_reader.h"
#include "utils/child_process.h"

namespace PackageOutput {

// Creates the pipes and starts the command line hidden, after giving the program file its
// execute bit; the options may name the bytes to run and the account to run them as. Throws
// Utils::Exception when that cannot be done.
std::unique_ptr<Utils::ChildProcess> LaunchChild(const std::wstring& commandLine,
                                                 const platform::SpawnOptions& options = {});

// Reads the child's output into the reader until the child has ended, parsing as it comes.
// With stopAtResult, parsing ends at the first result line, but the rest of the output is still
// read and dropped: a child that writes more than a pipe holds must be able to finish. Output
// still readable after the exit is read too, without waiting on a pipe that a process the child
// left behind keeps open. Returns true when a result line was parsed.
bool ReadChildOutput(Utils::ChildProcess& child, Reader& reader, bool stopAtResult);

}  // namespace PackageOutput
