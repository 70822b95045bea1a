// The main window's life and its pages: initialisation, the earlier installation's questions,
// notifications, clicks, page changes, the folder chooser, and closing.
#include "ui/main_wnd.h"

#include "install/find_process.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/shell.h"
#include "settings/installer_settings.h"
#include "skinui/combo.h"
#include "skinui/container.h"
#include "skinui/edit.h"
#include "skinui/label.h"
#include "skinui/option.h"
#include "skinui/progress.h"
#include "ui/message_box.h"
#include "ui/sequence_label.h"
#include "utils/debug_log.h"
#include "utils/disk.h"

using namespace SkinUI;

namespace {

constexpr int kIconResource = 145;
// The licence agreement has no address in this build: treatyBtn opens nothing.
constexpr const wchar_t* kLicenceUrl = L"";

}  // namespace

CMainWnd::Services CMainWnd::Services::System() {
    Services services;
    services.freeBytes = [](const std::wstring& path) -> std::uint64_t {
        Utils::HardDiskManager disk;
        return disk.CheckFreeSpace(path) ? disk.freeBytesAvailableToCaller : 0;
    };
    services.openProgram = [](const std::wstring& program, const std::wstring& folder) {
        return platform::StartProgram(program, folder);
    };
    services.tickCount = [] { return platform::GetTickCount(); };
    return services;
}

CMainWnd::CMainWnd(Services services, WindowDescriptor descriptor)
    : CSkinFrame(std::move(descriptor)),
      m_services(std::move(services)),
      m_language(m_paintManager),
      m_records(m_services.records),
      m_progress(InstallerSettings::Instance().DownloadScale),
      m_folderChoice(m_services.chooseFolder) {}

CMainWnd::~CMainWnd() {
    // The window goes first, while this object still answers its last messages; then the job
    // (whose workers post into the closed mailbox), the network check and the chooser.
    WindowSystem* system = GetWindowSystem();
    if (m_hWnd && system && system->IsWindow(m_hWnd)) system->DestroyWindow(m_hWnd);
    m_job.reset();
    m_networkCheck.reset();
}

void CMainWnd::OnSkinBuilt() {
    CSkinFrame::OnSkinBuilt();
    UseInstallerStyles();
    SetIcon(kIconResource);
    FindControls();
    // Typed folders may be longer than the installer accepts: the refusal must be reachable.
    if (m_installDirEdit) m_installDirEdit->SetMaxChar(0);
    if (m_languageCombo) m_language.InitLanguage();
    SetProductName();

    m_mailbox.Open(m_hWnd);
    m_job = std::make_unique<CDownloadInstaller>(
        [this](std::int32_t code, double value, const wchar_t* text) { PostStatus(code, value, text); },
        L"", L"", L"", true, true, true);
    m_records.ReadInstallRecord();
    m_hasEarlierInstallation = m_records.HasEarlierInstallation();
    if (m_installDirEdit) m_installDirEdit->SetText(m_records.GetDefaultInstallPath());
    OnTabSelect();
    CenterWindow();
    if (m_hasEarlierInstallation) AskAboutEarlierInstallation();
}

void CMainWnd::FindControls() {
    m_winCtn = FindControl(L"winCtn");
    m_titleTab = ControlAs<CTabLayoutUI>(FindControl(L"titleTabLt"), L"TabLayout");
    m_mainTab = ControlAs<CTabLayoutUI>(FindControl(L"mainTabLt"), L"TabLayout");
    m_defaultInstallBtn = FindControl(L"defaultInstallBtn");
    m_customeBtn = FindControl(L"customeBtn");
    m_customeInstallBtn = FindControl(L"customeInstallBtn");
    m_treatyCb = ControlAs<COptionUI>(FindControl(L"treatyCb"), L"Option");
    m_treatyBtn = ControlAs<COptionUI>(FindControl(L"treatyBtn"), L"Option");
    m_serviceCb = ControlAs<COptionUI>(FindControl(L"serviceCb"), L"Option");
    m_tipLbl = FindControl(L"tipLbl");
    m_installDirEdit = ControlAs<CEditUI>(FindControl(L"installDirEdit"), L"Edit");
    m_chDirBtn = FindControl(L"chDirBtn");
    m_createDSCb = ControlAs<COptionUI>(FindControl(L"createDSCb"), L"Option");
    m_createQSCb = ControlAs<COptionUI>(FindControl(L"createQSCb"), L"Option");
    m_backBtn = FindControl(L"backBtn");
    m_titleGrpCtn = FindControl(L"titleGrpCtn");
    m_progressAnLb = FindControl(L"progressAnLb");
    m_installPrg = ControlAs<CProgressUI>(FindControl(L"installPrg"), L"Progress");
    m_progressLb = ControlAs<CLabelUI>(FindControl(L"progressLb"), L"Label");
    m_openProduceBtn = FindControl(L"openProduceBtn");
    m_finishedLbl = FindControl(L"finishedLbl");
    m_softNameLbl = FindControl(L"softNameLbl");
    m_titleLabels[0] = FindControl(L"bTitleLbl1");
    m_titleLabels[1] = FindControl(L"bTitleLbl2");
    m_titleLabels[2] = FindControl(L"bTitleLbl3");
    m_installLogo = FindControl(L"installLogo");
    m_languageCombo = FindControl(L"languageCombo");
    m_ableftBtn = FindControl(L"ableftBtn");
    m_abrightBtn = FindControl(L"abrightBtn");
}

void CMainWnd::SetProductName() {
    for (CControlUI* label : {m_softNameLbl, m_titleLabels[0], m_titleLabels[1], m_titleLabels[2]}) {
        if (!label) continue;
        label->SetText(kTitle);
        auto* typed = ControlAs<CLabelUI>(label, L"Label");
        label->SetFixedWidth(m_paintManager.MeasureTextWidth(kTitle, typed ? typed->GetFont() : -1));
    }
}

void CMainWnd::AskAboutEarlierInstallation() {
    const std::wstring earlier = m_records.PreviousInstallPath();
    m_language.LoadInstalledLanguage(earlier);
    const bool insNew = InstallerSettings::Instance().InsNew;
    if (FindProcessByName(CDownloadInstaller::kProductExecutable) != 0 && !insNew) {
        if (Message(L"MessageBox1Wnd.xml", LanguageText(23), LanguageText(21))) RequestClose();
        return;
    }
    if (insNew) {
        StartInstall(earlier, true, true);
        return;
    }
    int result = 2;
    if (!Box(L"InstalledPathTipWnd.xml", result)) return;
    if (result == 1) {  // "打开软件"
        const std::wstring product = platform::JoinPath(earlier, CDownloadInstaller::kProductExecutable);
        if (!m_services.openProgram(product, earlier)) DEBUG_LOG(L"cannot open %s", product.c_str());
        RequestClose();
    } else if (result == 0) {  // "安装最新版本"
        StartInstall(earlier, true, true);
    } else {
        RequestClose();
    }
}

LRESULT CMainWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        // The job cannot be left halfway: no close while the progress page shows.
        if (CurrentPage() == 2) {
            m_closing = false;
            return 0;
        }
        break;
    case StatusMailbox::kMessage:
        if (std::unique_ptr<StatusRecord> record = m_mailbox.Take(lParam)) OnStatus(*record);
        return 0;
    case kFolderChosenMessage:
        OnFolderChosen();
        return 0;
    default:
        break;
    }
    const LRESULT result = CSkinFrame::HandleMessage(message, wParam, lParam);
    if (message == WM_PAINT && !m_firstFrameLogged && IsAlive() && GetWindowSystem()->IsVisible(m_hWnd)) {
        m_firstFrameLogged = true;
        DEBUG_LOG(L"first frame presented");
    }
    return result;
}

void CMainWnd::OnLastMessage(WindowHandle) {
    m_mailbox.Close();
    m_paintManager.RemovePreMessageFilter(this);
    m_paintManager.RemoveNotifier(this);
    // The controls stay until this object goes: the window may go from inside a handler of one
    // of them (a close handled in a box's loop), and that control's code runs on when the
    // handler returns.
}

void CMainWnd::Notify(Notification& message) {
    CControlUI* const sender = message.sender;
    if (message.type == L"selectchanged" && sender) {
        if (sender == m_treatyCb) {
            const bool agreed = m_treatyCb->IsSelected();
            if (m_treatyBtn) m_treatyBtn->Selected(agreed, false);
            const bool accepted = agreed && (!m_serviceCb || m_serviceCb->IsSelected());
            if (m_customeBtn) m_customeBtn->SetEnabled(accepted);
            if (accepted && m_tipLbl) m_tipLbl->SetVisible(false);
        } else if (sender == m_serviceCb) {
            const bool service = m_serviceCb->IsSelected();
            const bool both = service && IsSelected(m_treatyCb);
            if (m_customeBtn && (both || !service)) m_customeBtn->SetEnabled(both);
            if (m_defaultInstallBtn) m_defaultInstallBtn->SetEnabled(service);
        } else if (sender == m_treatyBtn) {
            // A link that looks like a box: it always shows the agreement's state.
            m_treatyBtn->Selected(IsSelected(m_treatyCb), false);
        }
    } else if (message.type == L"tabselect") {
        OnTabSelect();
    } else if (message.type == L"checknet") {
        OnCheckNet(static_cast<std::uint32_t>(message.wParam));
    } else if (message.type == L"install") {
        OnInstallNotification(message.wParam != 0);
    } else if (message.type == L"timer" && sender && sender == m_paintManager.GetRoot()) {
        OnTimer(static_cast<std::uint32_t>(message.wParam));
    } else if (message.type == L"itemselect" && sender && sender == m_languageCombo) {
        if (auto* combo = ControlAs<CComboUI>(sender, L"Combo")) m_language.ApplyLanguage(combo->GetCurSel());
    }
    if (!IsAlive()) return;
    CSkinFrame::Notify(message);
}

void CMainWnd::OnClick(Notification& message) {
    CControlUI* const sender = message.sender;
    if (!sender) return;
    if (sender == m_defaultInstallBtn) {
        if (!m_treatyCb || m_treatyCb->IsSelected()) StartDefaultInstall();
        else if (m_tipLbl) m_tipLbl->SetVisible(true);
    } else if (sender == m_customeBtn) {
        SelectPage(1);
        if (m_customeInstallBtn) m_customeInstallBtn->SetFocus();
    } else if (sender == m_treatyBtn) {
        if (*kLicenceUrl) m_services.records.openUrl(kLicenceUrl);
    } else if (sender == m_backBtn) {
        SelectPage(0);
    } else if (sender == m_chDirBtn) {
        ChooseFolder();
    } else if (sender == m_customeInstallBtn) {
        StartCustomInstall();
    } else if (sender == m_openProduceBtn) {
        if (m_records.StartupStyle() == 2) m_records.StartProduct(m_hWnd);
        RequestClose();
    } else if (sender->GetName() == L"closebtn") {
        if (CurrentPage() == 3) {
            RequestClose();
            return;
        }
        int result = 2;
        if (Box(L"ExitTipWnd.xml", result) && result == 0) RequestClose();
    } else if (sender != m_ableftBtn && sender != m_abrightBtn) {
        CSkinFrame::OnClick(message);
    }
}

int CMainWnd::CurrentPage() const { return m_mainTab ? m_mainTab->GetCurSel() : -1; }

void CMainWnd::SelectPage(int page) {
    if (m_mainTab) m_mainTab->SelectItem(page);
}

void CMainWnd::OnTabSelect() {
    const int page = CurrentPage();
    static const wchar_t* const kBackgrounds[] = {L"res\\mainWnd\\bg1.png", L"res\\mainWnd\\bg2.png",
                                                  L"res\\mainWnd\\bg3.png", L"res\\mainWnd\\bg4.png"};
    if (m_winCtn) m_winCtn->SetBkImage(page >= 0 && page <= 3 ? kBackgrounds[page] : kBackgrounds[0]);
    if (m_titleTab) {
        if (page == 0 || page == 1) m_titleTab->SelectItem(1);
        else if (page == 3) m_titleTab->SelectItem(2);
        else if (page != 2) m_titleTab->SelectItem(0);
    }
    if (page == 2) {
        if (auto* animation = ControlAs<CSequenceLabelUI>(m_progressAnLb, L"SequenceLabel")) animation->Start();
    } else if (page == 3) {
        if (ControlAs<CSequenceLabelUI>(m_progressAnLb, L"SequenceLabel"))
            m_paintManager.KillTimer(m_progressAnLb, SequenceAnimation::kFrameTimer);
        if (auto* animation = ControlAs<CSequenceLabelUI>(m_finishedLbl, L"SequenceLabel")) animation->Start();
    }
    if (m_titleGrpCtn) m_titleGrpCtn->SetVisible(page != 2);
    if (m_installLogo) m_installLogo->SetVisible(page == 2);
    if (m_backBtn) m_backBtn->SetVisible(page == 1);
    if (m_winCtn) m_winCtn->Invalidate();
    // Scripts that drive the window follow its pages through the log.
    DEBUG_LOG(L"page %d", page);
}

void CMainWnd::OnTimer(std::uint32_t id) {
    CControlUI* root = m_paintManager.GetRoot();
    if (id == kTopShowTimer) {
        GetWindowSystem()->SetForeground(m_hWnd);
        m_paintManager.KillTimer(root, kTopShowTimer);
    } else if (id == kFinishCloseTimer) {
        RequestClose();
        m_paintManager.KillTimer(root, kFinishCloseTimer);
    }
}

void CMainWnd::ChooseFolder() {
    if (!m_folderChoice.Start(m_hWnd, kFolderChosenMessage, LanguageText(31)))
        DEBUG_LOG(L"a folder choice is open already");
}

void CMainWnd::OnFolderChosen() {
    std::wstring chosen;
    const platform::FolderChoice choice = m_folderChoice.Finish(chosen);
    if (choice == platform::FolderChoice::Chosen) {
        if (m_installDirEdit && !chosen.empty()) m_installDirEdit->SetText(InstallFolderUnder(chosen));
    } else if (choice == platform::FolderChoice::Unavailable) {
        Message(L"MessageBox2Wnd.xml", LanguageText(35), LanguageText(21));
        if (m_installDirEdit) m_installDirEdit->SetFocus();
    }
}

bool CMainWnd::Box(const wchar_t* skinFile, int& result, const std::wstring& text, const std::wstring& caption) {
    result = ShowMessageBox(m_hWnd, WindowDescriptor::ForSkinFile(skinFile),
                            text.empty() ? std::nullopt : std::optional<std::wstring>(text),
                            caption.empty() ? std::nullopt : std::optional<std::wstring>(caption));
    return IsAlive();
}

bool CMainWnd::Message(const wchar_t* skinFile, const std::wstring& text, const std::wstring& caption) {
    int result = 0;
    return Box(skinFile, result, text, caption);
}

bool CMainWnd::IsAlive() const {
    WindowSystem* system = GetWindowSystem();
    return m_hWnd && system && system->IsWindow(m_hWnd);
}

void CMainWnd::RequestClose() {
    if (!IsAlive()) return;
    m_closing = true;
    Close(1);
}

bool CMainWnd::IsSelected(COptionUI* option) const { return option && option->IsSelected(); }
