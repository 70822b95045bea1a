#pragma once
// The folder chooser of the main window. Choosing blocks until the user answers, so it runs on
// a worker of its own while the window keeps painting and answering; the answer is posted to the
// window as a message. A choice still open when its owner goes is cancelled and joined.
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/folder_chooser.h"
#include "skinui/backend/window_system.h"
#include "skinui/ui_types.h"
#include "utils/thread.h"

class CFolderChoice {
public:
    // Asks for a folder (on the worker); tests put their own in place of the desktop's.
    using Chooser = std::function<platform::FolderChoice(const std::wstring& title, std::wstring& path)>;

    explicit CFolderChoice(Chooser chooser = {}) : m_chooser(std::move(chooser)) {}
    ~CFolderChoice();
    CFolderChoice(const CFolderChoice&) = delete;
    CFolderChoice& operator=(const CFolderChoice&) = delete;

    // Opens the chooser and returns; the message is posted to the window once it is answered.
    // False while a choice is open (or no worker could be made).
    bool Start(SkinUI::WindowHandle window, SkinUI::UINT message, const std::wstring& title);
    // After the message: joins the worker and gives its answer.
    platform::FolderChoice Finish(std::wstring& path);

private:
    void Run();

    Chooser m_chooser;
    std::unique_ptr<platform::FolderChooser> m_desktop;
    std::unique_ptr<Utils::Thread> m_worker;
    SkinUI::WindowSystem* m_system = nullptr;
    SkinUI::WindowHandle m_window = nullptr;
    SkinUI::UINT m_message = 0;
    std::wstring m_title;
    std::mutex m_mutex;
    platform::FolderChoice m_choice = platform::FolderChoice::Cancelled;
    std::wstring m_path;
};

// The folder to install into under a chosen one: "kelvoKids" joined to it.
std::wstring InstallFolderUnder(const std::wstring& chosen);
