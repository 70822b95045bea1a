#pragma once
// Subcommands of kelvo-cli. Each takes the arguments after its name and returns the exit code.
#include <cstdio>
#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

int RunFetch(const Arguments& arguments);
int RunInstall(const Arguments& arguments);
int RunRecords(const Arguments& arguments);
int RunRender(const Arguments& arguments);
int RunShow(const Arguments& arguments);
int RunScreenshot(const Arguments& arguments);

// Exit code 2 with a usage line on standard error.
int UsageError(const char* usage);
