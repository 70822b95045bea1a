#pragma once
// Runs the downloaded setup package silently as a hidden child and turns the lines it prints
// into reports: 2001 to 2004 for the run, 3000 to 3009 for the values the package names.
#include <cstdint>
#include <memory>
#include <string>

#include "install/output_reader.h"
#include "platform/file_reader.h"
#include "utils/child_process.h"
#include "utils/status_callback.h"
#include "utils/thread.h"

class CInstaller {
public:
    // packageCommand is the package file's full path in double quotes.
    CInstaller(StatusCallback callback, std::wstring packageCommand, std::wstring installDir,
               bool desktopShortcut, bool quickLaunchShortcut, bool adminAccount);
    ~CInstaller();  // waits for the worker, and so for the child
    CInstaller(const CInstaller&) = delete;
    CInstaller& operator=(const CInstaller&) = delete;

    // Builds the command line, waits for a previous run, and starts a new one on a worker; when
    // no worker can be had, reports 2004 (2.0) at once.
    void Start();

    // The command line for the current options (the package's flags, then the settings' InstCmd,
    // then the folder, "/D=" last because it takes the rest of the line).
    std::wstring BuildCommandLine() const;
    const std::wstring& CommandLine() const { return m_commandLine; }

    // Parses one line of the package's output; returns its result. The first result line of a
    // run decides it: later "State=" and "Error=" lines are ignored. A path or address from a
    // line that did not decode cleanly is dropped rather than passed on garbled.
    int Parse(const std::wstring& line, bool decodedCleanly = true);
    std::uint32_t CodePage() const { return m_reader.codePage; }

    // Options the owner sets before each Start.
    std::wstring installDir;
    bool desktopShortcut;
    bool quickLaunchShortcut;
    bool adminAccount;
    bool processElevated = true;
    std::wstring installLanguage;
    // The digest the download was checked against (lower-case hexadecimal digits): the package
    // is checked again through the opening it runs from. Empty: no digest came with it.
    std::string expectedDigest;

    // The report text of a package refused before it ran.
    static constexpr const wchar_t* kRefusedPackageText = L"安装包校验失败，未运行";

private:
    static void InstallThread(void* argument);
    // Opens the package to run it and checks its bytes through that opening; false (logged) when
    // it is not the process's own regular file or its digest differs.
    bool OpenCheckedPackage(platform::FileReader& package) const;
    void Run();
    void Report(std::int32_t code, double value, const std::wstring& text = std::wstring());

    StatusCallback m_callback;
    std::wstring m_packageCommand;
    std::wstring m_commandLine;
    PackageOutput::Reader m_reader;
    std::unique_ptr<Utils::Thread> m_worker;
    std::unique_ptr<Utils::ChildProcess> m_process;
    bool m_resultSeen = false;
};
