#pragma once
#include <string>
#include <vector>

// The installer's start-up and life: -1 when another installer runs, 0 after a normal end.
int RunInstaller(const std::vector<std::wstring>& arguments);
