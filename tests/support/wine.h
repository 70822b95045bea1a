#pragma once
// Where Wine is not Windows, tests name the difference and check what Wine does instead.
namespace testing_support {

// The process runs under Wine (ntdll exports wine_get_version); false on Linux and on Windows.
bool RunningUnderWine();

}  // namespace testing_support
