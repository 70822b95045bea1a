#pragma once
// The operating system and the user's rights.
#include <string>

namespace Utils {

// familyName is always "Windows"; versionName is the short name ("XP", "7", "10", "10+", ...).
void GetOsVersionName(std::wstring& familyName, std::wstring& versionName);
// The version name for the numbers the system reports (a pure function of its arguments).
std::wstring VersionNameFor(unsigned major, unsigned minor, unsigned build, bool serverR2);

bool IsWow64();
bool GetConsoleUserName(std::wstring& name);
bool IsAdminAccount(const std::wstring& userName);
bool IsProcessAdmin();

}  // namespace Utils
