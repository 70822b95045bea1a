#pragma once
// The installation job: removal of the previous version when its uninstaller is recorded, then
// the download of the setup package, then its installation. Every report of the workers passes
// through here first, is forwarded unchanged to the window's callback, and then moves the job
// to its next phase. Reports arrive on the worker threads; phases never overlap.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "download/downloader.h"
#include "install/installer.h"
#include "install/uninstaller.h"
#include "platform/identity.h"
#include "utils/status_callback.h"

class CDownloadInstaller {
public:
    static constexpr const wchar_t* kPackageFileName = L"__Package_kelvoKids.exe";
    static constexpr const wchar_t* kUninstallerCopyName = L"kelvoKids_un_asa.exe";
    static constexpr const wchar_t* kProductExecutable = L"Kelvo_Kids.exe";

    // Makes the downloader for a DownloadType; tests put their own in its place.
    using DownloaderFactory = std::function<std::unique_ptr<CDownloader>(
        int downloadType, StatusCallback callback, const std::wstring& url, const std::wstring& path)>;

    CDownloadInstaller(StatusCallback windowCallback, std::wstring downloadUrl,
                       std::wstring oldUninstallerPath, std::wstring installDir,
                       bool desktopShortcut, bool quickLaunchShortcut, bool adminAccount);
    ~CDownloadInstaller();
    CDownloadInstaller(const CDownloadInstaller&) = delete;
    CDownloadInstaller& operator=(const CDownloadInstaller&) = delete;

    void SetParams(const std::wstring& downloadUrl, const std::wstring& previousInstallDir,
                   const std::wstring& oldUninstallerPath, const std::wstring& installDir,
                   bool desktopShortcut, bool quickLaunchShortcut, bool adminAccount,
                   bool processElevated, const std::wstring& installLanguage);
    // Begins the job and returns; with InsNew set it first waits for the running product to end.
    void Start();

    // 2 WinHTTP, 3 two-part libcurl, anything else single-stream libcurl; null when the engine
    // is not part of this build.
    static std::unique_ptr<CDownloader> CreateDownloader(int downloadType, StatusCallback callback,
                                                         const std::wstring& url,
                                                         const std::wstring& path);
    void SetDownloaderFactory(DownloaderFactory factory) { m_downloaderFactory = std::move(factory); }

    // The temporary work folder (of the account, when given) joined with the copy's name; empty
    // without a work folder.
    static std::wstring UninstallerCopyPath(const std::optional<platform::UserAccount>& account = std::nullopt);
    const std::wstring& PackagePath() const { return m_packagePath; }

private:
    void OnDownloadStatus(std::int32_t code, double value, const wchar_t* text);
    void OnUninstallStatus(std::int32_t code, double value, const wchar_t* text);
    void OnInstallStatus(std::int32_t code, double value, const wchar_t* text);
    // Starts the downloader, or reports the download failed when there is none.
    void StartDownload();
    void Forward(std::int32_t code, double value, const wchar_t* text);
    // Deletes the package and the one remembered from before, with the engines' part files of
    // both, and remembers this one.
    void DeletePackages();
    std::wstring InstallDir() const;

    StatusCallback m_windowCallback;
    // The parameters are set on the window's thread while a worker of the previous job may still
    // be finishing its handler.
    mutable std::mutex m_mutex;
    std::wstring m_downloadUrl;
    std::wstring m_previousInstallDir;
    std::wstring m_oldUninstallerPath;
    std::wstring m_installDir;
    std::wstring m_packagePath;
    std::wstring m_installLanguage;
    bool m_desktopShortcut;
    bool m_quickLaunchShortcut;
    bool m_adminAccount;
    bool m_processElevated = false;
    DownloaderFactory m_downloaderFactory;
    // What the downloader was made for: a Start with another address or folder makes a new one.
    std::wstring m_downloaderUrl;
    std::wstring m_downloaderPath;
    std::unique_ptr<CDownloader> m_downloader;
    // The same engine, for its reports: a report the destructor's wait lets finish still reads it
    // while the owning pointer is already empty.
    CDownloader* m_engine = nullptr;
    std::unique_ptr<CInstaller> m_installer;
    std::unique_ptr<CUninstaller> m_uninstaller;
    bool m_removalDecided = false;  // touched by the uninstall worker only, once started
};
