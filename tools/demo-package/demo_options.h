#pragma once
// What the demo programs were asked to do: "-demo=a,b=c" arguments and the KELVO_DEMO_OPTIONS
// environment variable (same form), so a test can steer a package whose command line the
// installer composes.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace demo {

struct Options {
    std::map<std::string, std::string> values;

    bool Has(const std::string& name) const { return values.count(name) != 0; }
    std::string Text(const std::string& name, const std::string& fallback = {}) const;
    long Number(const std::string& name, long fallback) const;
};

Options ReadOptions(const std::vector<std::string>& arguments);

// Writes one line (a line feed is added) in one piece and flushes it.
void PrintLine(const std::string& line);
void PrintRaw(const std::string& bytes);
void Pause(long milliseconds);

// The value of "-name=value" (quotes removed); empty when absent.
std::string ArgumentValue(const std::vector<std::string>& arguments, const std::string& name);
// What follows "prefix" in the first argument that starts with it, joined with the arguments
// after it: such an option takes the rest of the command line, blanks included.
std::string RestOfLine(const std::vector<std::string>& arguments, const std::string& prefix);

// Paths as UTF-8 text, the form of the arguments, on every system (a narrow path means the ANSI
// code page's text on Windows).
std::filesystem::path PathFromUtf8(const std::string& text);
std::string PathToUtf8(const std::filesystem::path& path);

int RunPackage(const std::vector<std::string>& arguments, const Options& options);
int RunUninstaller(const std::vector<std::string>& arguments, const Options& options);

}  // namespace demo
