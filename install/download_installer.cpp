#include "install/download_installer.h"

#include <mutex>

#include "download/create_downloader.h"
#include "install/find_process.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/identity.h"
#include "settings/installer_settings.h"
#include "utils/debug_log.h"
#include "utils/disk.h"

namespace {

constexpr std::uint32_t kProductPollMilliseconds = 100;

void DeletePackageAndParts(const std::wstring& packagePath) {
    if (packagePath.empty()) return;
    platform::RemoveFile(packagePath);
    platform::RemoveFile(PartFilePath(packagePath));
    for (int i = 0; i < kMaxDownloadParts; ++i) platform::RemoveFile(PartFilePath(packagePath, i));
}

// The package left by the last failed download or finished installation, deleted at the next
// such event (a later job may have used another folder).
std::mutex g_lastPackageMutex;
std::wstring g_lastPackage;

}  // namespace

CDownloadInstaller::CDownloadInstaller(StatusCallback windowCallback, std::wstring downloadUrl,
                                       std::wstring oldUninstallerPath, std::wstring installDir,
                                       bool desktopShortcut, bool quickLaunchShortcut,
                                       bool adminAccount)
    : m_windowCallback(std::move(windowCallback)),
      m_downloadUrl(std::move(downloadUrl)),
      m_oldUninstallerPath(std::move(oldUninstallerPath)),
      m_installDir(std::move(installDir)),
      m_desktopShortcut(desktopShortcut),
      m_quickLaunchShortcut(quickLaunchShortcut),
      m_adminAccount(adminAccount),
      m_downloaderFactory(&CDownloadInstaller::CreateDownloader) {}

CDownloadInstaller::~CDownloadInstaller() {
    // Each phase starts the next from its worker: a running removal may still start the download,
    // and a running download the installation. So each is waited for before the next one goes.
    m_uninstaller.reset();
    m_downloader.reset();
    m_installer.reset();
    // A job stopped during its download leaves nothing of the package behind; one that ended has
    // removed it already.
    DeletePackageAndParts(m_downloaderPath);
}

void CDownloadInstaller::SetParams(const std::wstring& downloadUrl,
                                   const std::wstring& previousInstallDir,
                                   const std::wstring& oldUninstallerPath,
                                   const std::wstring& installDir, bool desktopShortcut,
                                   bool quickLaunchShortcut, bool adminAccount,
                                   bool processElevated, const std::wstring& installLanguage) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_downloadUrl = downloadUrl;
    m_previousInstallDir = previousInstallDir;
    m_oldUninstallerPath = oldUninstallerPath;
    m_installDir = installDir;
    m_desktopShortcut = desktopShortcut;
    m_quickLaunchShortcut = quickLaunchShortcut;
    m_adminAccount = adminAccount;
    m_processElevated = processElevated;
    m_installLanguage = installLanguage;
}

std::unique_ptr<CDownloader> CDownloadInstaller::CreateDownloader(int downloadType,
                                                                  StatusCallback callback,
                                                                  const std::wstring& url,
                                                                  const std::wstring& path) {
    return ::CreateDownloader(downloadType, std::move(callback), url, path);
}

std::wstring CDownloadInstaller::UninstallerCopyPath(const std::optional<platform::UserAccount>& account) {
    const std::wstring folder = Utils::GetTempWorkDir(account);
    return folder.empty() ? std::wstring() : platform::JoinPath(folder, kUninstallerCopyName);
}

void CDownloadInstaller::Start() {
    // A worker of the previous job may still be leaving its handler: the parameters are read
    // under the lock, and nothing that waits for a worker is done while it is held.
    std::unique_lock<std::mutex> lock(m_mutex);
    m_packagePath = platform::JoinPath(m_installDir, kPackageFileName);
    const std::wstring packagePath = m_packagePath;
    const std::wstring downloadUrl = m_downloadUrl;
    const std::wstring installDir = m_installDir;
    const std::wstring oldUninstaller = m_oldUninstallerPath;
    const std::wstring installLanguage = m_installLanguage;
    const bool desktopShortcut = m_desktopShortcut;
    const bool quickLaunchShortcut = m_quickLaunchShortcut;
    const bool adminAccount = m_adminAccount;
    const bool processElevated = m_processElevated;
    lock.unlock();

    const int downloadType = InstallerSettings::Instance().DownloadType;
    DEBUG_LOG_AT(L"CDownloadInstaller::Start", 193, L"DL_TYPE=%d", downloadType);

    // A double quotation mark in the folder (Windows allows none) would split the package's
    // command line; refused before the removal or the download begins.
    if (installDir.find(L'"') != std::wstring::npos) {
        OnInstallStatus(2004, 2.0, L"");
        return;
    }

    // A new address or folder needs a new downloader and a runner for the new package path.
    if (m_downloader && (m_downloaderUrl != downloadUrl || m_downloaderPath != packagePath)) {
        m_downloader.reset();
        m_installer.reset();
        DeletePackageAndParts(m_downloaderPath);
    }
    if (!m_downloader) {
        m_downloader = m_downloaderFactory(
            downloadType,
            [this](std::int32_t code, double value, const wchar_t* text) { OnDownloadStatus(code, value, text); },
            downloadUrl, packagePath);
        m_engine = m_downloader.get();
        m_downloaderUrl = downloadUrl;
        m_downloaderPath = packagePath;
    }
    if (!m_installer) {
        m_installer = std::make_unique<CInstaller>(
            [this](std::int32_t code, double value, const wchar_t* text) { OnInstallStatus(code, value, text); },
            L"\"" + packagePath + L"\"", installDir, desktopShortcut, quickLaunchShortcut, adminAccount);
    }
    m_installer->installDir = installDir;
    m_installer->desktopShortcut = desktopShortcut;
    m_installer->quickLaunchShortcut = quickLaunchShortcut;
    m_installer->adminAccount = adminAccount;
    m_installer->processElevated = processElevated;
    m_installer->installLanguage = installLanguage;

    if (!oldUninstaller.empty() && platform::IsRegularFile(oldUninstaller)) {
        // Through sudo, an uninstaller the user could have changed (it, or a folder above it, is
        // theirs to write) is theirs: it is read, copied and run with their rights, never root's.
        const std::optional<platform::UserAccount> account = platform::AccountFor(oldUninstaller);
        if (account) DEBUG_LOG(L"%s runs as user %u", oldUninstaller.c_str(), account->uid);
        const std::wstring copy = UninstallerCopyPath(account);
        // A fresh file only that user can change. When it cannot be made nothing is left there,
        // and the runner finds no program.
        if (!copy.empty()) {
            platform::FileAccessAs access(account);
            platform::CopyToNewFile(oldUninstaller, copy, 0700);
        }
        m_uninstaller.reset();
        m_removalDecided = false;
        m_uninstaller = std::make_unique<CUninstaller>(
            [this](std::int32_t code, double value, const wchar_t* text) { OnUninstallStatus(code, value, text); },
            copy, platform::ParentPath(oldUninstaller), account);
        if (InstallerSettings::Instance().InsNew) {
            // The running product holds files the uninstaller must remove.
            bool running = true;
            while (running) {
                running = FindProcessByName(kProductExecutable) != 0;
                platform::SleepMilliseconds(kProductPollMilliseconds);
            }
        }
        m_uninstaller->Start();
        return;
    }
    StartDownload();
}

void CDownloadInstaller::StartDownload() {
    if (m_downloader) {
        m_downloader->Start();
        return;
    }
    // No engine for this DownloadType in this build: the job ends as a failed download.
    DEBUG_LOG(L"no downloader for DL_TYPE=%d", InstallerSettings::Instance().DownloadType);
    OnDownloadStatus(DL_CODE_FAIL, 1.0, L"");
}

std::wstring CDownloadInstaller::InstallDir() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_installDir;
}

void CDownloadInstaller::Forward(std::int32_t code, double value, const wchar_t* text) {
    if (m_windowCallback) m_windowCallback(code, value, text);
}

void CDownloadInstaller::DeletePackages() {
    std::wstring packagePath;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        packagePath = m_packagePath;
    }
    DeletePackageAndParts(packagePath);
    std::lock_guard<std::mutex> lock(g_lastPackageMutex);
    DeletePackageAndParts(g_lastPackage);
    g_lastPackage = packagePath;
}

void CDownloadInstaller::OnDownloadStatus(std::int32_t code, double value, const wchar_t* text) {
    Forward(code, value, text);
    const wchar_t* const name = L"CDownloadInstaller::OnDownloadStatus";
    switch (code) {
        case DL_CODE_START:
            DEBUG_LOG_AT(name, 74, L"DL_CODE_START");
            Utils::CreateDirectories(InstallDir());
            break;
        case DL_CODE_PROGRESS:
            DEBUG_LOG_AT(name, 79, L"DL_CODE_PROGRESS");
            break;
        case DL_CODE_SUCCESS:
            DEBUG_LOG_AT(name, 84, L"DOWNLOAD_SUCCESS");
            // The reporting engine, on this very thread (still whole while the job's destruction
            // waits for it).
            m_installer->expectedDigest = m_engine ? m_engine->CheckedDigest() : std::string();
            m_installer->Start();
            DEBUG_LOG_AT(name, 109, L"DL_CODE_SUCCESS");
            break;
        case DL_CODE_FAIL:
            DEBUG_LOG_AT(name, 95, L"DL_CODE_FAIL");
            DeletePackages();
            break;
        case DL_CODE_RETRY:
            DEBUG_LOG_AT(name, 101, L"DL_CODE_RETRY");
            StartDownload();
            break;
        default:
            break;
    }
}

void CDownloadInstaller::OnUninstallStatus(std::int32_t code, double value, const wchar_t* text) {
    Forward(code, value, text);
    const wchar_t* const name = L"CDownloadInstaller::OnUninstallStatus";
    switch (code) {
        case 5001:
            DEBUG_LOG_AT(name, 119, L"UNIST_CODE_START");
            break;
        case 5002:
            DEBUG_LOG_AT(name, 124, L"UNIST_CODE_PROGRESS");
            break;
        case 5003:
            DEBUG_LOG_AT(name, 129, L"UNIST_CODE_SUCCESS");
            // The first outcome of a removal decides it: a success stated twice, or after a
            // failure, starts nothing.
            if (!m_removalDecided) {
                m_removalDecided = true;
                StartDownload();
            }
            break;
        case 5004:
            DEBUG_LOG_AT(name, 136, L"UNIST_CODE_FAIL");
            m_removalDecided = true;
            break;
        case 5005:
            DEBUG_LOG_AT(name, 142, L"UNIST_CODE_ERROR");
            m_removalDecided = true;
            break;
        default:
            break;
    }
}

void CDownloadInstaller::OnInstallStatus(std::int32_t code, double value, const wchar_t* text) {
    Forward(code, value, text);
    const wchar_t* const name = L"CDownloadInstaller::OnInstallStatus";
    switch (code) {
        case 2001:
            DEBUG_LOG_AT(name, 155, L"IST_CODE_START");
            break;
        case 2003:
            DEBUG_LOG_AT(name, 171, L"INSTALL_SUCCESS");
            DeletePackages();
            break;
        case 2004:
            DEBUG_LOG_AT(name, 183, L"IST_CODE_FAIL");
            DeletePackages();
            break;
        default:
            break;
    }
}
