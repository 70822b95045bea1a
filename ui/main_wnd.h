#pragma once
// The installer's window: four pages (welcome, custom, progress, finish) through which the user
// accepts the default installation or chooses a folder and the shortcut options; it then runs
// the installation job, turns its reports into one progress bar, and at the end writes the
// records and starts the product. Every box the installer shows is opened from here.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "install/download_installer.h"
#include "install/install_records.h"
#include "ui/folder_choice.h"
#include "ui/install_progress.h"
#include "ui/skin_frame.h"
#include "ui/status_mailbox.h"
#include "ui/window_language.h"
#include "utils/thread.h"

namespace SkinUI {
class CEditUI;
class CLabelUI;
class COptionUI;
class CProgressUI;
class CTabLayoutUI;
}  // namespace SkinUI

class CMainWnd : public CSkinFrame {
public:
    static constexpr const wchar_t* kTitle = L"Kelvo Kids少儿编程";
    static constexpr std::uint32_t kTopShowTimer = 10;
    static constexpr std::uint32_t kFinishCloseTimer = 11;
    static constexpr SkinUI::UINT kFolderChosenMessage = 0x0400 + 1001;  // WM_USER + 1001

    // What the window asks of the system; tests put their own in place.
    struct Services {
        CInstallRecords::Services records = CInstallRecords::Services::System();
        // Free bytes for this user on the drive of the path; 0 when the query fails.
        std::function<std::uint64_t(const std::wstring& path)> freeBytes;
        // Empty: the desktop's chooser.
        CFolderChoice::Chooser chooseFolder;
        // The earlier installation's product, opened in its own folder.
        std::function<bool(const std::wstring& program, const std::wstring& folder)> openProgram;
        // The tick counter of the download stopwatch.
        std::function<std::uint32_t()> tickCount;
        static Services System();
    };

    explicit CMainWnd(Services services = Services::System(),
                      WindowDescriptor descriptor = WindowDescriptor::ForSkinFile(L"MainWnd.xml"));
    ~CMainWnd() override;

    // Initialisation, once the controls are built: styles, icon, controls, language, records,
    // the proposed folder, centring, and the earlier installation's questions.
    void OnSkinBuilt() override;
    void Notify(SkinUI::Notification& message) override;
    void OnClick(SkinUI::Notification& message) override;

    // Checks, prepares and queues one installation attempt into the folder; false when it was
    // refused (a box said why) or another attempt is under way.
    bool StartInstall(const std::wstring& path, bool desktopShortcut, bool quickLaunchShortcut);

    // The job's report channel, from any thread: each report reaches the window's thread as a
    // posted record.
    void PostStatus(std::int32_t code, double value, const wchar_t* text) { m_mailbox.Post(code, value, text); }

    // A close request was made (posted, not yet handled): the entry then never shows the window.
    bool IsClosing() const { return m_closing; }
    int CurrentPage() const;
    const InstallProgress& Progress() const { return m_progress; }
    std::uint32_t TopShowDelay() const { return m_topShowDelay; }
    std::uint32_t FinishCloseDelay() const { return m_finishCloseDelay; }

protected:
    SkinUI::LRESULT HandleMessage(SkinUI::UINT message, SkinUI::WPARAM wParam, SkinUI::LPARAM lParam) override;
    void OnLastMessage(SkinUI::WindowHandle window) override;

private:
    enum class Attempt { Idle, Pending, Running, Finished };
    struct AttemptChoice {
        std::wstring path;
        bool desktopShortcut = true;
        bool quickLaunchShortcut = true;
    };

    void FindControls();
    void SetProductName();
    void AskAboutEarlierInstallation();
    void OnTabSelect();
    void OnCheckNet(std::uint32_t result);
    void OnInstallNotification(bool start);
    void OnTimer(std::uint32_t id);
    void ChooseFolder();
    void OnFolderChosen();

    void OnStatus(const StatusRecord& record);
    void OnDownloadFailed(const StatusRecord& record);
    void OnInstallFailed(const StatusRecord& record);
    void OnRemovalFailed();
    void OnFinished();
    void ShowProgress(int percent);
    void EndAttempt();
    void EnableInstallButtons(bool enable);

    // The default folder with both options.
    bool StartDefaultInstall();
    // The custom page's folder and options.
    bool StartCustomInstall();
    // Shows a box owned by this window; false when the window is gone afterwards (its controls
    // with it).
    bool Box(const wchar_t* skinFile, int& result, const std::wstring& text = {}, const std::wstring& caption = {});
    bool Message(const wchar_t* skinFile, const std::wstring& text, const std::wstring& caption);
    bool IsAlive() const;
    void RequestClose();
    void SelectPage(int page);
    bool IsSelected(SkinUI::COptionUI* option) const;
    void SendInstall(bool start, bool async);

    Services m_services;
    CWindowLanguage m_language;
    CInstallRecords m_records;
    InstallProgress m_progress;
    StatusMailbox m_mailbox;

    SkinUI::CControlUI* m_winCtn = nullptr;
    SkinUI::CTabLayoutUI* m_titleTab = nullptr;
    SkinUI::CTabLayoutUI* m_mainTab = nullptr;
    SkinUI::CControlUI* m_defaultInstallBtn = nullptr;
    SkinUI::CControlUI* m_customeBtn = nullptr;
    SkinUI::CControlUI* m_customeInstallBtn = nullptr;
    SkinUI::COptionUI* m_treatyCb = nullptr;
    SkinUI::COptionUI* m_treatyBtn = nullptr;
    SkinUI::COptionUI* m_serviceCb = nullptr;
    SkinUI::CControlUI* m_tipLbl = nullptr;
    SkinUI::CEditUI* m_installDirEdit = nullptr;
    SkinUI::CControlUI* m_chDirBtn = nullptr;
    SkinUI::COptionUI* m_createDSCb = nullptr;
    SkinUI::COptionUI* m_createQSCb = nullptr;
    SkinUI::CControlUI* m_backBtn = nullptr;
    SkinUI::CControlUI* m_titleGrpCtn = nullptr;
    SkinUI::CControlUI* m_progressAnLb = nullptr;
    SkinUI::CProgressUI* m_installPrg = nullptr;
    SkinUI::CLabelUI* m_progressLb = nullptr;
    SkinUI::CControlUI* m_openProduceBtn = nullptr;
    SkinUI::CControlUI* m_finishedLbl = nullptr;
    SkinUI::CControlUI* m_softNameLbl = nullptr;
    SkinUI::CControlUI* m_titleLabels[3] = {};
    SkinUI::CControlUI* m_installLogo = nullptr;
    SkinUI::CControlUI* m_languageCombo = nullptr;
    SkinUI::CControlUI* m_ableftBtn = nullptr;
    SkinUI::CControlUI* m_abrightBtn = nullptr;

    bool m_hasEarlierInstallation = false;
    bool m_closing = false;
    bool m_firstFrameLogged = false;
    Attempt m_attempt = Attempt::Idle;
    AttemptChoice m_choice;  // the folder and options of the attempt under way or last made
    int m_rememberedPage = 0;
    std::uint32_t m_topShowDelay = 3000;
    std::uint32_t m_finishCloseDelay = 0xFFFFFFFF;
    std::uint32_t m_downloadStartTick = 0;
    bool m_downloadTiming = false;

    // Destroyed in this order: the job (its workers post into the mailbox), the network check,
    // the folder chooser.
    CFolderChoice m_folderChoice;
    std::unique_ptr<Utils::Thread> m_networkCheck;
    std::unique_ptr<CDownloadInstaller> m_job;
};
