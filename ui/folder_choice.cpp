#include "ui/folder_choice.h"

#include "platform/file_system.h"

CFolderChoice::~CFolderChoice() {
    if (m_desktop) m_desktop->Cancel();
    m_worker.reset();
}

bool CFolderChoice::Start(SkinUI::WindowHandle window, SkinUI::UINT message, const std::wstring& title) {
    if (m_worker) return false;
    m_system = SkinUI::GetWindowSystem();
    m_window = window;
    m_message = message;
    m_title = title;
    if (!m_chooser) m_desktop = std::make_unique<platform::FolderChooser>();
    m_worker = std::make_unique<Utils::Thread>(this, L"FolderChooser", [](void* self) {
        static_cast<CFolderChoice*>(self)->Run();
    });
    if (!m_worker->IsValid()) {
        m_worker.reset();
        m_desktop.reset();
        return false;
    }
    m_worker->Resume();
    return true;
}

void CFolderChoice::Run() {
    std::wstring path;
    const platform::FolderChoice choice = m_chooser ? m_chooser(m_title, path) : m_desktop->Choose(m_title, path);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_choice = choice;
        m_path = path;
    }
    if (m_system) m_system->PostMessage(m_window, m_message, 0, 0);
}

platform::FolderChoice CFolderChoice::Finish(std::wstring& path) {
    m_worker.reset();  // it has posted its answer and is ending
    m_desktop.reset();
    std::lock_guard<std::mutex> lock(m_mutex);
    path = m_path;
    return m_choice;
}

std::wstring InstallFolderUnder(const std::wstring& chosen) { return platform::JoinPath(chosen, L"kelvoKids"); }
