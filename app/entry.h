#pragma once
#include <string>
#include <vector>

// The installer's start-up and life: -1 when another installer runs; with a window 0 after it
// closed, 1 when there is no display; with -silent=true 0 when the installation succeeded, 1
// when it failed.
int RunInstaller(const std::vector<std::wstring>& arguments);
