#pragma once
#include <string>

// The id of the first running process whose executable file name is exactly the name
// (case-sensitive); 0 when there is none.
int FindProcessByName(const std::wstring& name);
