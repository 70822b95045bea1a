#pragma once
// The desktop's folder chooser: the portal's file chooser in directory mode, else zenity.
// Choosing blocks until the user answers, so the window runs it on a worker and keeps
// painting; Cancel() from the window's thread ends a chooser the window no longer waits for.
#include <memory>
#include <string>

namespace platform {

enum class FolderChoice {
    Chosen,
    Cancelled,
    // No portal, no zenity, or no display to show either on: the user types the folder.
    Unavailable,
};

class FolderChooser {
public:
    FolderChooser();
    ~FolderChooser();
    FolderChooser(const FolderChooser&) = delete;
    FolderChooser& operator=(const FolderChooser&) = delete;

    // Asks for a folder; on Chosen the path is absolute. Safe to call once per object.
    FolderChoice Choose(const std::wstring& title, std::wstring& path);
    // Ends a running Choose with Cancelled (closing the dialog); any thread, any time.
    void Cancel();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

}  // namespace platform
