#include "platform/folder_chooser.h"

namespace platform {

// The Windows chooser (IFileOpenDialog in folder mode) comes with the window; until then the
// user types the folder, as where no chooser exists.
struct FolderChooser::State {};

FolderChooser::FolderChooser() : m_state(std::make_shared<State>()) {}
FolderChooser::~FolderChooser() = default;

FolderChoice FolderChooser::Choose(const std::wstring&, std::wstring&) { return FolderChoice::Unavailable; }

void FolderChooser::Cancel() {}

}  // namespace platform
