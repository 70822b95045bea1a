#pragma once
// Runs the previous version's uninstaller (a temporary copy of it) silently as a hidden child and
// turns the lines it prints into the removal reports 5002 to 5005.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "install/output_reader.h"
#include "platform/identity.h"
#include "utils/child_process.h"
#include "utils/status_callback.h"
#include "utils/thread.h"

class CUninstaller {
public:
    // `runAs`: the account the uninstaller runs as (none: the installer's own rights).
    CUninstaller(StatusCallback callback, std::wstring uninstallerPath, std::wstring oldInstallDir,
                 std::optional<platform::UserAccount> runAs = std::nullopt);
    ~CUninstaller();  // waits for the worker, and so for the child
    CUninstaller(const CUninstaller&) = delete;
    CUninstaller& operator=(const CUninstaller&) = delete;

    // Builds the command line and starts a run on a worker; when no worker can be had, reports
    // 5004 (2.0) at once.
    void Start();

    // The uninstaller's command line for the given rights: the program quoted (the temporary
    // folder may hold blanks), "_?=" taking the rest of the line.
    static std::wstring BuildCommandLine(const std::wstring& uninstallerPath, bool adminAccount,
                                         bool processElevated, const std::wstring& oldInstallDir);
    const std::wstring& CommandLine() const { return m_commandLine; }

    // As the package runner's: the first result line decides the run.
    int Parse(const std::wstring& line, bool decodedCleanly = true);
    std::uint32_t CodePage() const { return m_reader.codePage; }

private:
    static void UninstallThread(void* argument);
    void Run();
    void Report(std::int32_t code, double value, const std::wstring& text = std::wstring());

    StatusCallback m_callback;
    std::wstring m_commandLine;
    std::wstring m_uninstallerPath;
    std::wstring m_oldInstallDir;
    std::optional<platform::UserAccount> m_runAs;
    PackageOutput::Reader m_reader;
    std::unique_ptr<Utils::Thread> m_worker;
    std::unique_ptr<Utils::ChildProcess> m_process;
    bool m_resultSeen = false;
};
