// The main window's installation attempts: the checks before one starts, the network check,
// the reports of the job turned into the progress display, the failures and the finish.
#include <cmath>

#include "install/find_process.h"
#include "platform/file_system.h"
#include "settings/installer_settings.h"
#include "skinui/edit.h"
#include "skinui/label.h"
#include "skinui/option.h"
#include "skinui/progress.h"
#include "skinui/skin_resources.h"
#include "ui/main_wnd.h"
#include "utils/debug_log.h"
#include "utils/disk.h"

using namespace SkinUI;

namespace {

constexpr std::uint32_t kPoorNetwork = 0xFFFF;
constexpr int kFailureResetPercent = 70;
constexpr const wchar_t* kFinishedBarImage = L"res\\mainWnd\\installPrg3.png";

// The runners state some failures in fixed Chinese texts; the window shows them in the
// language of the moment.
std::wstring Translated(const std::wstring& text) {
    static const struct {
        const wchar_t* text;
        int id;
    } kKnown[] = {{L"安装包安装失败", 32}, {L"可执行卸载文件不存在", 33}, {L"安装包卸载失败", 34},
                  {L"安装包校验失败，未运行", 36}};
    for (const auto& known : kKnown)
        if (text == known.text) return LanguageText(known.id);
    return text;
}

// A delay the package names, in milliseconds; what is not a number of that range counts as 0.
std::uint32_t ToDelay(double value) {
    if (!(value > 0)) return 0;
    if (value >= 4294967295.0) return 0xFFFFFFFF;
    return static_cast<std::uint32_t>(value);
}

}  // namespace

bool CMainWnd::StartDefaultInstall() { return StartInstall(m_records.GetDefaultInstallPath(), true, true); }

bool CMainWnd::StartCustomInstall() {
    const std::wstring typed = m_installDirEdit ? m_installDirEdit->GetText() : std::wstring();
    return StartInstall(m_records.GetChosenInstallPath(typed), IsSelected(m_createDSCb), IsSelected(m_createQSCb));
}

bool CMainWnd::StartInstall(const std::wstring& path, bool desktopShortcut, bool quickLaunchShortcut) {
    // One attempt at a time: a second click, or a click before the first one's "install"
    // arrived, would start the job twice.
    if (m_attempt == Attempt::Pending || m_attempt == Attempt::Running || !m_job) return false;
    const AttemptChoice choice{path, desktopShortcut, quickLaunchShortcut};
    const InstallerSettings& settings = InstallerSettings::Instance();
    if (!settings.InsNew && FindProcessByName(CDownloadInstaller::kUninstallerCopyName) != 0) {
        if (Message(L"MessageBox1Wnd.xml", LanguageText(23), LanguageText(21)) && m_hasEarlierInstallation)
            RequestClose();
        return false;
    }
    if (!settings.InsNew && FindProcessByName(CDownloadInstaller::kProductExecutable) != 0) {
        if (Message(L"MessageBox1Wnd.xml", LanguageText(23), LanguageText(21))) RequestClose();
        return false;
    }
    m_attempt = Attempt::Pending;
    m_choice = choice;
    EnableInstallButtons(false);

    if (!CInstallRecords::CreateInstallFolder(choice.path)) {
        DEBUG_LOG(L"cannot use %s", choice.path.c_str());
        if (Message(L"MessageBox2Wnd.xml", LanguageText(24), LanguageText(21))) SendInstall(false, false);
        return false;
    }
    if (m_services.freeBytes(choice.path) < CInstallRecords::kRequiredFreeBytes) {
        if (Message(L"MessageBox2Wnd.xml", LanguageText(25), LanguageText(21))) SendInstall(false, false);
        return false;
    }
    m_records.SetInstallPath(choice.path);
    m_job->SetParams(settings.DownloadUrl, m_records.PreviousInstallPath(), m_records.UninstallEntryFor(choice.path),
                     choice.path, choice.desktopShortcut, choice.quickLaunchShortcut, m_records.ConsoleUserIsAdmin(),
                     m_records.ProcessIsAdmin(), m_language.GetSelectedLocaleCode());
    if (settings.IsCheckNet) {
        m_networkCheck.reset();
        auto check = m_services.records.checkNetwork;
        CPaintManager* manager = &m_paintManager;
        CControlUI* root = m_paintManager.GetRoot();
        m_networkCheck = std::make_unique<Utils::Thread>(nullptr, L"CheckNet", [check, manager, root](void*) {
            const std::uint32_t result = check ? check() : 0;
            manager->SendNotify(root, L"checknet", result, 0, true);
        });
        if (m_networkCheck->IsValid()) {
            m_networkCheck->Resume();
        } else {
            SendInstall(true, true);  // no thread for the check: as if it had found nothing wrong
        }
    } else {
        SendInstall(true, true);
    }
    return true;
}

void CMainWnd::SendInstall(bool start, bool async) {
    m_paintManager.SendNotify(m_paintManager.GetRoot(), L"install", start ? 1 : 0, 0, async);
}

void CMainWnd::OnCheckNet(std::uint32_t result) {
    if (m_attempt != Attempt::Pending) return;
    const bool poor = result > kPoorNetwork;
    if (poor && !Message(L"MessageBox2Wnd.xml", LanguageText(26), LanguageText(21))) return;
    SendInstall(!poor, false);
}

void CMainWnd::OnInstallNotification(bool start) {
    if (!start) {
        if (m_attempt == Attempt::Pending) EndAttempt();
        return;
    }
    if (m_attempt != Attempt::Pending) return;
    // The page to come back to after a failure: never the progress page, or a failed
    // download could neither be retried nor closed.
    const int page = CurrentPage();
    if (page == 0 || page == 1) m_rememberedPage = page;
    m_attempt = Attempt::Running;
    m_progress.Reset();
    m_downloadTiming = false;
    SelectPage(2);
    m_job->Start();
}

void CMainWnd::EndAttempt() {
    m_attempt = Attempt::Idle;
    EnableInstallButtons(true);
}

void CMainWnd::EnableInstallButtons(bool enable) {
    if (m_defaultInstallBtn) m_defaultInstallBtn->SetEnabled(enable);
    if (m_customeInstallBtn) m_customeInstallBtn->SetEnabled(enable);
}

void CMainWnd::OnStatus(const StatusRecord& record) {
    switch (record.code) {
    case 1001:
        m_downloadStartTick = m_services.tickCount();
        m_downloadTiming = true;
        break;
    case 1002:
        ShowProgress(m_progress.DownloadPercent(record.value));
        break;
    case 1004:
        OnDownloadFailed(record);
        break;
    case 2001:
        m_records.WriteSetIni();
        break;
    case 2002:
        ShowProgress(m_progress.InstallPercent(record.value));
        break;
    case 2003:
        OnFinished();
        break;
    case 2004:
        OnInstallFailed(record);
        break;
    case 3000:
    case 3001:
    case 3003:
    case 3004:
    case 3005:
        m_records.OnPackageValue(record.code, record.value, record.text);
        break;
    case 3007:
        m_topShowDelay = ToDelay(record.value);
        break;
    case 3008:
        m_finishCloseDelay = ToDelay(record.value);
        break;
    case 3009:
        Message(L"MessageBox1Wnd.xml", record.text, LanguageText(22));
        break;
    case 5004:
    case 5005:
        OnRemovalFailed();
        break;
    default:
        break;
    }
}

void CMainWnd::ShowProgress(int percent) {
    double seconds = 0;
    if (m_downloadTiming) seconds = (m_services.tickCount() - m_downloadStartTick) / 1000;
    if (m_progressLb) {
        m_progressLb->SetText(InstallProgress::Text(percent, seconds, m_progressLb->GetUserData(), LanguageText(28),
                                                    LanguageText(29)));
    }
    if (m_installPrg) m_installPrg->SetValue(percent);
}

void CMainWnd::OnDownloadFailed(const StatusRecord& record) {
    EndAttempt();
    const double code = std::isfinite(record.value) ? record.value : 0;
    m_records.ProbeDownloadFailure(static_cast<long>(std::clamp(code, -2147483648.0, 2147483647.0)), record.text,
                                   m_job->PackagePath());
    int result = 2;
    if (!Box(L"NetworkTipWnd.xml", result)) return;
    if (result == 1) {  // "稍后再试"
        if (m_hasEarlierInstallation) RequestClose();
    } else if (result == 0) {  // "重新安装": the same folder and options again
        const AttemptChoice again = m_choice;
        StartInstall(again.path, again.desktopShortcut, again.quickLaunchShortcut);
        if (!IsAlive()) return;
    }
    SelectPage(m_rememberedPage);
}

void CMainWnd::OnInstallFailed(const StatusRecord& record) {
    EndAttempt();
    const std::wstring text = record.text.empty() ? LanguageText(27) : Translated(record.text);
    if (!Message(L"MessageBox2Wnd.xml", text, LanguageText(21))) return;
    if (m_installPrg && m_installPrg->GetValue() >= kFailureResetPercent) {
        if (m_progressLb) m_progressLb->SetText(LanguageText(30));
        m_installPrg->SetValue(0);
    }
    SelectPage(0);
}

void CMainWnd::OnRemovalFailed() {
    EndAttempt();
    if (!Message(L"MessageBox1Wnd.xml", LanguageText(23), LanguageText(21))) return;
    SelectPage(m_rememberedPage);
    if (m_hasEarlierInstallation) RequestClose();
}

void CMainWnd::OnFinished() {
    m_attempt = Attempt::Finished;
    if (m_installPrg) {
        m_installPrg->SetValue(100);
        const std::wstring image =
            platform::JoinPath(SkinResources::Instance().GetResourcePath(), L"res/mainWnd/installPrg3.png");
        if (platform::IsRegularFile(image)) m_installPrg->SetForeImage(kFinishedBarImage);
    }
    if (m_softNameLbl) {
        m_softNameLbl->SetText(kTitle);
        m_softNameLbl->SetVisible(true);
    }
    SelectPage(3);
    // The records, and for AutoStartup the product (which lets the window's messages run).
    m_records.OnInstallSucceeded(m_hWnd);
    if (!IsAlive()) return;
    CControlUI* root = m_paintManager.GetRoot();
    if (m_topShowDelay != 0) m_paintManager.SetTimer(root, kTopShowTimer, m_topShowDelay);
    if (m_finishCloseDelay != 0) m_paintManager.SetTimer(root, kFinishCloseTimer, m_finishCloseDelay);
}
