#include "install/install_records.h"

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <string_view>

#include "platform/file_system.h"
#include "platform/identity.h"
#include "platform/known_folders.h"
#include "platform/module_path.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "utils/debug_log.h"
#include "utils/digest.h"
#include "utils/disk.h"
#include "utils/network.h"
#include "utils/registry.h"
#include "utils/system_info.h"
#include "utils/text.h"

namespace {

constexpr const wchar_t* kInstallPathValue = L"InstallPath";
constexpr const wchar_t* kUninstallEntryValue = L"UnInstallEp";
constexpr std::size_t kOverrideBufferChars = 20;
constexpr std::size_t kStartUrlMinimum = 6;

bool IsAbsolute(const std::wstring& path) { return platform::IsAbsolutePath(path); }

// The folder as a normalised text: "." and ".." resolved, no trailing separator but the root's.
std::wstring NormalFolder(const std::wstring& path) {
    std::wstring normal = std::filesystem::path(path).lexically_normal().wstring();
    const std::size_t root = std::max<std::size_t>(platform::RootLength(normal), 1);
    while (normal.size() > root && platform::IsPathSeparator(normal.back())) normal.pop_back();
    return normal;
}

// "Same directory": the relative path from one to the other is ".".
bool SameFolder(const std::wstring& a, const std::wstring& b) {
    if (a.empty() || b.empty()) return false;
    return NormalFolder(a) == NormalFolder(b) || platform::IsSameFile(a, b);
}

// Through sudo, a file in the user's own folders is read and written with the user's rights, so
// it is theirs and no link of theirs leads root anywhere. A record that cannot be written is
// logged and left; the installation goes on.
bool WriteIni(const std::wstring& section, const std::wstring& key, const std::wstring& value,
              const std::wstring& path) {
    platform::FileAccessAs access(platform::AccountFor(path));
    std::string refusal;
    const bool written = platform::WriteProfileString(section, key, value, path, &refusal);
    if (!refusal.empty())
        DEBUG_LOG(L"%s: %s", path.c_str(), Utils::Utf8ToWide(refusal).c_str());
    if (!written) DEBUG_LOG(L"%s: [%s] %s not written", path.c_str(), section.c_str(), key.c_str());
    return written;
}

void WriteRecord(const wchar_t* name, const std::wstring& value) {
    if (!Utils::RegWriteString(name, value)) DEBUG_LOG(L"record %s not written", name);
}

}  // namespace

std::wstring GetAnalyticsDataDir() {
    std::wstring root = platform::GetKnownFolder(platform::KnownFolder::ApplicationData);
    if (root.empty()) root = platform::GetKnownFolder(platform::KnownFolder::CommonDocuments);
    if (root.empty()) return {};
    return platform::JoinPath(platform::JoinPath(root, L"VemarData"), L"kelvoKids");
}

CInstallRecords::Services CInstallRecords::Services::System() {
    Services services;
    services.consoleUserIsAdmin = [] {
        std::wstring user;
        return Utils::GetConsoleUserName(user) && Utils::IsAdminAccount(user);
    };
    services.processIsAdmin = [] { return Utils::IsProcessAdmin(); };
    services.localTime = [] { return platform::GetLocalTime(); };
    services.createGuid = [] { return Utils::CreateGuidString(); };
    services.modulePath = [] { return platform::GetModulePath(); };
    services.checkNetwork = [] { return Utils::CheckNetwork(); };
    services.pumpMessages = [](Utils::WindowHandle window) { return Utils::PumpMessages(window); };
    services.openUrl = [](const std::wstring& url) { return platform::OpenUrl(url); };
    services.startProgram = [](const std::wstring& program) { return platform::StartProgram(program, L""); };
    return services;
}

CInstallRecords::CInstallRecords(Services services) : m_services(std::move(services)) {}

void CInstallRecords::ReadInstallRecord() {
    m_previousInstallPath.clear();
    m_previousUninstallEntry.clear();
    std::uint32_t type = 0;
    Utils::RegReadString(kInstallPathValue, type, m_previousInstallPath);
    Utils::RegReadString(kUninstallEntryValue, type, m_previousUninstallEntry);
    if (m_previousUninstallEntry.empty() && !m_previousInstallPath.empty())
        m_previousUninstallEntry = platform::JoinPath(m_previousInstallPath, kUninstallEntryName);
}

std::wstring CInstallRecords::GetDefaultInstallPath() {
    m_consoleUserIsAdmin = m_services.consoleUserIsAdmin();
    m_processIsAdmin = m_services.processIsAdmin();
    if (!m_previousInstallPath.empty() && platform::IsRegularFile(m_previousUninstallEntry))
        return m_previousInstallPath;
    std::wstring root;
    if (m_consoleUserIsAdmin && m_processIsAdmin) {
        const std::wstring data = platform::GetKnownFolder(platform::KnownFolder::ApplicationData);
        if (!data.empty()) root = platform::JoinPath(data, L"ostrelin");
    }
    if (root.empty()) root = platform::GetKnownFolder(platform::KnownFolder::ProgramFilesX86);
    if (root.empty()) root = platform::GetKnownFolder(platform::KnownFolder::ProgramFiles);
    const std::wstring path = platform::JoinPath(root, L"kelvoKids");
    return path.size() < Utils::kMaxPath ? path : path.substr(0, Utils::kMaxPath - 1);
}

bool CInstallRecords::HasEarlierInstallation() const {
    return !m_previousInstallPath.empty() && platform::IsDirectory(m_previousInstallPath);
}

bool CInstallRecords::IsDefaultInstallPath(const std::wstring& path) {
    return SameFolder(GetDefaultInstallPath(), path);
}

std::wstring CInstallRecords::GetChosenInstallPath(const std::wstring& folderField) {
    const std::wstring defaultPath = GetDefaultInstallPath();
    return SameFolder(defaultPath, folderField) ? defaultPath : folderField;
}

bool CInstallRecords::IsOverrideDisabled(const std::wstring& newPath) const {
    if (!SameFolder(m_previousInstallPath, newPath)) return false;
    const std::wstring value = platform::GetProfileString(
        L"Uninstall", L"IsOverride", L"true", kOverrideBufferChars,
        platform::JoinPath(newPath, kSettingsFileName));
    return value == L"false";
}

std::wstring CInstallRecords::UninstallEntryFor(const std::wstring& newPath) const {
    return IsOverrideDisabled(newPath) ? std::wstring() : m_previousUninstallEntry;
}

bool CInstallRecords::IsUsableInstallPath(const std::wstring& path) {
    if (path.size() > Utils::kMaxPath || !IsAbsolute(path)) return false;
    // The names below the root ("/", "C:\\") take no character Windows refuses in a name; a
    // backslash is one of them on Linux, the separator on Windows.
    for (std::size_t at = platform::RootLength(path); at < path.size(); ++at) {
        const wchar_t c = path[at];
        if (platform::IsPathSeparator(c)) continue;
        if (c < 0x20 || std::wstring_view(L"<>:\"|?*\\").find(c) != std::wstring_view::npos) return false;
    }
    return true;
}

bool CInstallRecords::CreateInstallFolder(const std::wstring& path) {
    return IsUsableInstallPath(path) && platform::CreateFoldersForUser(path, 0755);
}

void CInstallRecords::OnPackageValue(std::int32_t code, double value, const std::wstring& text) {
    switch (code) {
        case 3000:
            // An empty report would leave the record without a folder.
            if (!text.empty()) m_installPath = text;
            break;
        case 3001: m_productPath = text; break;
        case 3003: m_uninstallEntry = text; break;
        case 3004: m_startUrl = text; break;
        case 3005: m_startupStyle = static_cast<int>(value); break;
        default: break;
    }
}

void CInstallRecords::WriteInstallRecord() {
    // No folder to record: writing one would erase the earlier installation's record.
    if (m_installPath.empty()) return;
    WriteRecord(kInstallPathValue, m_installPath);
    if (m_uninstallEntry.empty()) m_uninstallEntry = platform::JoinPath(m_installPath, kUninstallEntryName);
    if (platform::IsRegularFile(m_uninstallEntry)) WriteRecord(kUninstallEntryValue, m_uninstallEntry);
}

void CInstallRecords::WriteSetIni() {
    const std::wstring appStore = platform::FileNameOf(m_services.modulePath());
    // No installation folder yet: a relative "set.ini" would land in the current folder.
    if (!IsAbsolute(m_installPath)) return;
    const std::wstring settings = platform::JoinPath(m_installPath, kSettingsFileName);
    // The locale is not switched here: the install worker decodes the package's output in the
    // process's code page at this very moment, on another thread.
    WriteIni(L"Install", L"APPStore", appStore, settings);
    WriteIni(L"Install", L"AppName", L"kelvoKids", settings);
    WriteIni(L"Install", L"DeviceID", m_services.createGuid(), settings);

    const std::wstring dataDir = GetAnalyticsDataDir();
    if (!IsAbsolute(dataDir) || dataDir.size() > Utils::kMaxPath || !platform::CreateFoldersForUser(dataDir, 0755))
        return;
    const std::wstring analytics = platform::JoinPath(dataDir, kAnalyticsFileName);
    WriteIni(L"Install", L"VMSensorsAnalyticsIni", analytics, settings);
    const platform::LocalTime now = m_services.localTime();
    wchar_t stamp[128];
    std::swprintf(stamp, 128, L"%d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    WriteIni(L"Init", L"UpdateTime", stamp, analytics);
}

void CInstallRecords::StartProduct(Utils::WindowHandle window) {
    if (m_startUrl.size() >= kStartUrlMinimum) m_services.openUrl(m_startUrl);
    if (platform::IsRegularFile(m_productPath)) {
        m_services.pumpMessages(window);
        m_services.startProgram(m_productPath);
    }
}

void CInstallRecords::OnInstallSucceeded(Utils::WindowHandle window) {
    WriteInstallRecord();
    WriteSetIni();
    if (m_startupStyle == 1) StartProduct(window);
}

bool CInstallRecords::ProbeDownloadFailure(long code, const std::wstring& message,
                                           const std::wstring& packagePath) {
    // Whatever is at the package's place goes (a planted link is removed, never followed); a
    // fresh file made exclusively tells whether the folder takes writes.
    platform::RemoveFile(packagePath);
    const bool writable = platform::CreateExclusiveFile(packagePath);
    if (writable) platform::RemoveFile(packagePath);
    const std::uint32_t network = m_services.checkNetwork();
    Utils::HardDiskManager disk;
    disk.CheckFreeSpace(platform::ParentPath(packagePath));
    const double freeGiB = static_cast<double>(disk.freeBytesAvailableToCaller) / 1073741824.0;
    DEBUG_LOG(L"1.code=%ld；2.msg=%s；3.缓存磁盘容量=%.2fG；4.缓存读写权限=%s；5.服务器连接状态code=%d", code,
              message.c_str(), freeGiB, writable ? L"可读" : L"无权限", static_cast<int>(network));
    return writable;
}
