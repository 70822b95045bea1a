// What only Windows has: the registry, the session's named mutex, paths past MAX_PATH and Chinese
// names through the wide file functions, a child's command line handed over as it was built, and
// a program held open from its check to its start.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <string>
#include <vector>

#include "platform/file_reader.h"
#include "platform/file_system.h"
#include "platform/known_folders.h"
#include "platform/named_mutex.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wine.h"

namespace {

using testing_support::TempFolder;

const std::wstring kTestKey = L"Software\\VemarSoft\\kelvoKidsTest";

// The bytes Windows stores for a value, as another program would read them.
std::vector<BYTE> StoredBytes(const std::wstring& name, DWORD& type) {
    HKEY key = nullptr;
    DWORD size = 0;
    type = 0;
    std::vector<BYTE> bytes;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return bytes;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        bytes.resize(size);
        ::RegQueryValueExW(key, name.c_str(), nullptr, &type, bytes.data(), &size);
        bytes.resize(size);
    }
    ::RegCloseKey(key);
    return bytes;
}

TEST(WindowsRegistry, TextValuesUnderTheUsersKey) {
    ASSERT_TRUE(platform::DeleteUserRegistryKey(kTestKey));
    std::wstring value = L"unchanged";
    EXPECT_FALSE(platform::ReadUserRegistryString(kTestKey, L"InstallPath", value));
    EXPECT_EQ(value, L"unchanged");

    const std::vector<std::wstring> texts = {L"C:\\Program Files (x86)\\kelvoKids", L"D:\\少儿编程\\Kelvo Kids", L"",
                                             L"with \"quotes\" = and\nline"};
    for (const std::wstring& text : texts) {
        SCOPED_TRACE(testing::PrintToString(text.size()));
        ASSERT_TRUE(platform::WriteUserRegistryString(kTestKey, L"InstallPath", text));
        DWORD type = 0;
        const std::vector<BYTE> stored = StoredBytes(L"InstallPath", type);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        // Twice the characters: no terminating zero is stored. Wine adds one to every text that
        // is not empty, whatever length it was given.
        const std::size_t terminator = testing_support::RunningUnderWine() && !text.empty() ? sizeof(wchar_t) : 0;
        EXPECT_EQ(stored.size(), text.size() * sizeof(wchar_t) + terminator);
        ASSERT_TRUE(platform::ReadUserRegistryString(kTestKey, L"InstallPath", value));
        EXPECT_EQ(value, text);
    }

    // Written by another program with its terminator, or as a number: read as text, or not at all.
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const wchar_t terminated[] = L"C:\\kelvo";
    ::RegSetValueExW(key, L"Terminated", 0, REG_SZ, reinterpret_cast<const BYTE*>(terminated), sizeof terminated);
    const DWORD number = 7;
    ::RegSetValueExW(key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    ::RegCloseKey(key);
    ASSERT_TRUE(platform::ReadUserRegistryString(kTestKey, L"Terminated", value));
    EXPECT_EQ(value, L"C:\\kelvo");
    value = L"unchanged";
    EXPECT_FALSE(platform::ReadUserRegistryString(kTestKey, L"Number", value));
    EXPECT_EQ(value, L"unchanged");

    EXPECT_TRUE(platform::DeleteUserRegistryKey(kTestKey));
    EXPECT_FALSE(platform::ReadUserRegistryString(kTestKey, L"InstallPath", value));
}

TEST(WindowsNamedMutex, AMutexThatExistedIsNotAcquiredEvenWhenFree) {
    const std::wstring name = L"D1A547DB89C0BC61_Installer_kelvoKidsTest";
    platform::NamedMutex first, second;
    ASSERT_TRUE(first.Acquire(name));
    EXPECT_FALSE(second.Acquire(name));
    EXPECT_TRUE(second.Acquire(name + L"_other"));
    second.Release();
    // Another holder's handle keeps the object alive: still "already exists" once released.
    HANDLE other = ::OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    ASSERT_NE(other, nullptr);
    first.Release();
    EXPECT_FALSE(second.Acquire(name));
    ::CloseHandle(other);
    EXPECT_TRUE(second.Acquire(name));
}

TEST(WindowsPaths, LongAndChinesePathsWorkThroughEveryFileOperation) {
    TempFolder root;
    // Past MAX_PATH (260) through several levels, and a level named in Chinese.
    std::wstring deep = root.Path();
    while (deep.size() < 300) deep = platform::JoinPath(deep, L"层级目录-" + std::wstring(40, L'k'));
    const std::wstring chinese = root.Join(L"少儿编程 安装");
    for (const std::wstring& folder : {deep, chinese}) {
        SCOPED_TRACE(testing::PrintToString(folder.size()));
        ASSERT_TRUE(platform::CreateFoldersForUser(folder, 0755));
        EXPECT_TRUE(platform::IsDirectory(folder));
        const std::wstring file = platform::JoinPath(folder, L"设置.ini");
        ASSERT_TRUE(platform::WriteFileAtomically(file, "[Install]\nAppName=kelvoKids\n"));
        EXPECT_EQ(platform::ReadWholeFile(file), std::optional<std::string>("[Install]\nAppName=kelvoKids\n"));
        EXPECT_EQ(platform::FileSize(file), std::optional<std::uint64_t>(28));
        const std::wstring copy = platform::JoinPath(folder, L"副本.exe");
        ASSERT_TRUE(platform::CopyToNewFile(file, copy, 0700));
        ASSERT_TRUE(platform::RenameFile(copy, file));
        EXPECT_FALSE(platform::PathExists(copy));
        EXPECT_TRUE(platform::IsSameFile(file, file));
        platform::DiskSpace space;
        long error = 0;
        EXPECT_TRUE(platform::QueryDiskSpace(folder, space, error)) << error;
        EXPECT_TRUE(platform::RemoveFile(file));
    }
}

TEST(WindowsPaths, RootsOfDrivesAndShares) {
    struct Case {
        const wchar_t* path;
        std::size_t root;
        const wchar_t* parent;
    };
    const Case cases[] = {
        {L"C:\\kelvoKids", 3, L"C:\\"},          {L"d:/Kelvo/x", 3, L"d:/Kelvo"},
        {L"\\\\server\\share\\kelvo", 15, L"\\\\server\\share"}, {L"\\\\server", 0, L"\\"},
        {L"kelvoKids\\x", 0, L"kelvoKids"},       {L"C:kelvo", 0, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.path)));
        EXPECT_EQ(platform::RootLength(c.path), c.root);
        EXPECT_EQ(platform::ParentPath(c.path), c.parent);
    }
}

// cmd.exe prints its command line back: what it received is what was built, byte for byte.
std::string RunChild(const std::vector<std::wstring>& arguments, const platform::SpawnOptions& options,
                std::uint32_t& exitCode) {
    platform::NativeHandle readEnd = platform::kInvalidHandle, writeEnd = platform::kInvalidHandle;
    EXPECT_TRUE(platform::CreatePipe(readEnd, writeEnd));
    platform::ProcessInfo child;
    std::wstring error;
    EXPECT_TRUE(platform::SpawnProcess(arguments, {platform::kInvalidHandle, writeEnd, writeEnd}, child, error, options))
        << testing::PrintToString(error);
    platform::CloseHandle(writeEnd);
    std::string output;
    char buffer[512];
    std::size_t got = 0;
    while (platform::ReadFile(readEnd, buffer, sizeof buffer, got)) output.append(buffer, got);
    platform::CloseHandle(readEnd);
    exitCode = platform::WaitForProcess(child);
    platform::ReleaseProcess(child);
    return output;
}

TEST(WindowsProcess, ChildrenGetTheirLineAsBuiltAndPipesForOutput) {
    std::uint32_t exitCode = 0;
    // Arguments quoted by the rules the C runtime splits by.
    std::string output = RunChild({L"cmd.exe", L"/c", L"echo", L"a b", L"c\"d"}, {}, exitCode);
    EXPECT_EQ(output, "\"a b\" \"c\\\"d\"\r\n");
    EXPECT_EQ(exitCode, 0u);
    // A line handed over whole keeps what a split would lose: blanks in a row after /D=.
    platform::SpawnOptions asBuilt;
    asBuilt.commandLine = L"cmd.exe /c echo /D=C:\\Kelvo  Kids& exit 7";
    output = RunChild({L"cmd.exe"}, asBuilt, exitCode);
    EXPECT_EQ(output, "/D=C:\\Kelvo  Kids\r\n");
    EXPECT_EQ(exitCode, 7u);
}

TEST(WindowsProcess, APackageOpenedToRunCannotBeChangedUntilItRuns) {
    TempFolder folder;
    const std::wstring package = folder.Join(L"__Package_kelvoKids.exe");
    wchar_t system[MAX_PATH];
    ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    ASSERT_TRUE(platform::CopyToNewFile(platform::JoinPath(system, L"cmd.exe"), package, 0700));
    platform::FileReader sealed;
    std::wstring refusal;
    ASSERT_TRUE(sealed.OpenToRun(package, refusal)) << testing::PrintToString(refusal);
    // Nobody may write, replace or remove it while it is held.
    EXPECT_FALSE(platform::WriteFileAtomically(package, "MZ other bytes"));
    EXPECT_FALSE(platform::RemoveFile(package));
    EXPECT_FALSE(platform::RenameFile(package, package + L".old"));
    const std::wstring other = folder.WriteFile(L"other.exe", "MZ");
    EXPECT_FALSE(platform::RenameFile(other, package));
    // The held file itself starts.
    platform::SpawnOptions options;
    options.image = &sealed;
    options.commandLine = L"\"" + package + L"\" /c exit 5";
    std::uint32_t exitCode = 0;
    RunChild({package}, options, exitCode);
    EXPECT_EQ(exitCode, 5u);
    // Folders are refused.
    platform::FileReader folderReader;
    EXPECT_FALSE(folderReader.OpenToRun(folder.Path(), refusal));
}

}  // namespace
#endif
