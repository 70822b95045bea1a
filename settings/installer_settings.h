#pragma once
// The installer's settings: built-in defaults, then "VemarInstallerConfig.ini" beside the
// executable (read before main), then the command line (applied by the entry point).
#include <string>
#include <vector>

#include "utils/command_line.h"

struct InstallerSettings {
    static constexpr const wchar_t* kConfigurationFileName = L"VemarInstallerConfig.ini";
    static constexpr const wchar_t* kSection = L"Install";
    static constexpr std::size_t kValueBufferChars = 260;
    static constexpr int kProductNumber = 1037;

    std::wstring DownloadUrl;
    int DownloadType = 1;
    bool IsCheckNet = false;
    bool IsEnableAppSensors = true;
    double DownloadScale = 0.7;
    std::wstring DlAppNameSuffix = L".downloader";
    std::wstring DlAppVersion;
    std::wstring InstCmd;
    int Language = -1;
    bool InsNew = false;

    InstallerSettings();

    // The process-wide record; its configuration file has been read before main runs.
    static InstallerSettings& Instance();
    // "VemarInstallerConfig.ini" in the executable's folder.
    static std::wstring ConfigurationFilePath();
    static std::wstring DefaultDownloadUrl();

    // Stores the URL after route substitution.
    void SetDownloadUrl(const std::wstring& url);
    // Reads the "Install" section; a missing file leaves every value as it is, one that cannot be
    // read gives every key its default.
    void ReadConfigurationFile(const std::wstring& path);
    void ApplyCommandLine(const Utils::CommandLineMap& options);
    // The process's own arguments, already split by the system (the program path first).
    void ApplyCommandLine(const std::vector<std::wstring>& arguments);
};

// The route word for "${ROUTE}" on this system.
std::wstring RouteName();
// Replaces every "${ROUTE}" by the route word.
std::wstring SubstituteRoute(const std::wstring& url);
