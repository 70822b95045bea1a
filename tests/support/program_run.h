#pragma once
// Runs one of our programs as a person would, with its standard output and error (where the
// debug log goes) on one pipe, so that neither can fill up unread; the log's lines are told apart
// by their "<P" prefix and left out.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct ProgramRun {
    std::vector<std::string> lines;
    std::uint32_t exitCode = 0;
    bool started = false;
    bool Has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
};

// The arguments as a Windows command line (the program first, quoted as needed).
ProgramRun RunProgram(const std::wstring& commandLine);

}  // namespace testing_support
