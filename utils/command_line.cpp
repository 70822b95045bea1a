#include "utils/command_line.h"

namespace Utils {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
    std::vector<std::wstring> arguments;
    std::size_t i = 0;
    const std::size_t n = commandLine.size();
    if (n == 0) return arguments;

    // The program path: quoted up to the next quote, else up to the first blank.
    std::wstring program;
    if (commandLine[0] == L'"') {
        std::size_t close = commandLine.find(L'"', 1);
        program = commandLine.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
        i = close == std::wstring::npos ? n : close + 1;
    } else {
        while (i < n && !IsBlank(commandLine[i])) program += commandLine[i++];
    }
    arguments.push_back(program);

    while (true) {
        while (i < n && IsBlank(commandLine[i])) ++i;
        if (i >= n) break;
        std::wstring argument;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(commandLine[i]))) {
            wchar_t c = commandLine[i];
            if (c == L'\\') {
                std::size_t count = 0;
                while (i < n && commandLine[i] == L'\\') ++count, ++i;
                if (i < n && commandLine[i] == L'"') {
                    argument.append(count / 2, L'\\');
                    if (count % 2 == 1) {
                        argument += L'"';
                        ++i;
                    }
                    // An even count leaves the quote to the quote rule below.
                } else {
                    argument.append(count, L'\\');
                }
            } else if (c == L'"') {
                ++i;
                if (quoted && i < n && commandLine[i] == L'"') {
                    argument += L'"';
                    ++i;
                    quoted = false;
                } else {
                    quoted = !quoted;
                }
            } else {
                argument += c;
                ++i;
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}

CommandLineMap MapArguments(const std::vector<std::wstring>& arguments) {
    CommandLineMap options;
    for (const std::wstring& argument : arguments) {
        std::wstring key = argument, value;
        if (!argument.empty() && argument[0] == L'-') {
            std::size_t equals = argument.find(L'=');
            if (equals != std::wstring::npos) {
                key = argument.substr(0, equals);
                value = argument.substr(equals + 1);
            }
        }
        options.emplace(key, value);  // an existing key keeps its first value
    }
    return options;
}

CommandLineMap ParseCommandLine(const std::wstring& commandLine) {
    return MapArguments(SplitCommandLine(commandLine));
}

}  // namespace Utils
