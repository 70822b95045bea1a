#pragma once
#include <map>
#include <string>
#include <vector>

namespace Utils {

// Option text to value text; keys compared exactly. The first occurrence of a key wins.
using CommandLineMap = std::map<std::wstring, std::wstring>;

// Splits a Windows command line into arguments by the system's rules: the program path ends at
// the first blank (or its closing quote, with no escapes); after it, blanks separate arguments
// outside quotes, 2n backslashes before a quote give n backslashes and the quote opens or closes
// a quoted part, 2n+1 give n backslashes and a literal quote, and "" inside a quoted part gives
// a literal quote and ends the part.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

// Builds the option map from arguments already split ("-key=value", or a key with no value).
CommandLineMap MapArguments(const std::vector<std::wstring>& arguments);

// Splits a command line and maps it; empty text gives an empty map.
CommandLineMap ParseCommandLine(const std::wstring& commandLine);

}  // namespace Utils
