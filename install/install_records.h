#pragma once
// The records an installation reads and leaves: the registry values "InstallPath" and
// "UnInstallEp", "set.ini" in the installation folder and the analytics file in the user's data
// folder; and what follows from them: the proposed folder, whether the earlier version is
// removed first, starting the installed product. The main window owns one and calls it at its
// fixed points; the windowless job does the same. Everything runs on one thread at a time.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock.h"
#include "utils/message_pump.h"

// "%APPDATA%\VemarData\kelvoKids" (the common documents folder without application data), no
// trailing separator; not created here. Empty text when neither folder is known.
std::wstring GetAnalyticsDataDir();

class CInstallRecords {
public:
    static constexpr const wchar_t* kUninstallEntryName = L"uninst.ep";
    static constexpr const wchar_t* kSettingsFileName = L"set.ini";
    static constexpr const wchar_t* kAnalyticsFileName = L"VMSensorsAnalytics.ini";
    // The free space an installation folder's disk must offer.
    static constexpr std::uint64_t kRequiredFreeBytes = 1073741824;

    // What the records ask of the system; tests put their own in place.
    struct Services {
        std::function<bool()> consoleUserIsAdmin;
        std::function<bool()> processIsAdmin;
        std::function<platform::LocalTime()> localTime;
        std::function<std::wstring()> createGuid;
        std::function<std::wstring()> modulePath;
        std::function<std::uint32_t()> checkNetwork;
        std::function<bool(Utils::WindowHandle)> pumpMessages;
        std::function<bool(const std::wstring& url)> openUrl;
        std::function<bool(const std::wstring& program)> startProgram;
        static Services System();
    };

    explicit CInstallRecords(Services services = Services::System());

    // Window initialisation.
    void ReadInstallRecord();
    // The folder proposed for the installation; refreshes both administrator flags.
    std::wstring GetDefaultInstallPath();
    // The previous installation's folder is recorded and exists.
    bool HasEarlierInstallation() const;
    // The same folder as the default one: equal once normalised (a trailing separator, "."
    // and ".." do not count), or the same folder on disk.
    bool IsDefaultInstallPath(const std::wstring& path);
    // What the folder field names when it is another folder than the default one, else the
    // default folder.
    std::wstring GetChosenInstallPath(const std::wstring& folderField);
    // Installing into the earlier folder whose "set.ini" forbids removing that version.
    bool IsOverrideDisabled(const std::wstring& newPath) const;
    // The earlier version's uninstall entry to run before installing into the path: empty when
    // none is recorded or IsOverrideDisabled.
    std::wstring UninstallEntryFor(const std::wstring& newPath) const;
    // Whether a folder can take the installation as typed: absolute, at most 260 characters,
    // and free of the characters Windows refuses in folder names (< > : " | ? * \ and control
    // characters), which would also break the package's command line.
    static bool IsUsableInstallPath(const std::wstring& path);
    // Creates the installation folder; through sudo the levels made in the user's home are the
    // user's. False for a path that is not usable or cannot be made.
    static bool CreateInstallFolder(const std::wstring& path);

    // The values the setup package reports (codes 3000, 3001, 3003, 3004, 3005); an empty
    // installation folder (3000) is ignored.
    void OnPackageValue(std::int32_t code, double value, const std::wstring& text);

    void WriteInstallRecord();
    void WriteSetIni();
    void StartProduct(Utils::WindowHandle window);
    // The records and, for AutoStartup, the product; the window then arms its timers.
    void OnInstallSucceeded(Utils::WindowHandle window);
    // The download failed: tells whether the package's folder is writable (never through a
    // planted link), asks the network and the free space, and logs the summary.
    bool ProbeDownloadFailure(long code, const std::wstring& message, const std::wstring& packagePath);

    const std::wstring& PreviousInstallPath() const { return m_previousInstallPath; }
    const std::wstring& PreviousUninstallEntry() const { return m_previousUninstallEntry; }
    const std::wstring& InstallPath() const { return m_installPath; }
    void SetInstallPath(const std::wstring& path) { m_installPath = path; }
    const std::wstring& UninstallEntry() const { return m_uninstallEntry; }
    const std::wstring& ProductPath() const { return m_productPath; }
    const std::wstring& StartUrl() const { return m_startUrl; }
    int StartupStyle() const { return m_startupStyle; }
    bool ConsoleUserIsAdmin() const { return m_consoleUserIsAdmin; }
    bool ProcessIsAdmin() const { return m_processIsAdmin; }

private:
    Services m_services;
    std::wstring m_previousInstallPath;
    std::wstring m_previousUninstallEntry;
    bool m_consoleUserIsAdmin = false;
    bool m_processIsAdmin = false;
    std::wstring m_installPath;
    std::wstring m_uninstallEntry;
    std::wstring m_productPath;
    std::wstring m_startUrl;
    int m_startupStyle = 0;
};
