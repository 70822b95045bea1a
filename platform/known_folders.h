#pragma once
// The folders the installer keeps per-user and shared things in, standing in for the shell's
// known folders and %APPDATA%. Elevated through sudo, the per-user folders are those of the user
// who called sudo (never root's), so an elevated run and a plain run see the same records.
// Tests replace the provider.
#include <string>

namespace platform {

enum class KnownFolder {
    ApplicationData,  // %APPDATA%: $XDG_DATA_HOME, else ~/.local/share
    ProgramFiles,     // /opt for root, else ~/.local/opt
    ProgramFilesX86,  // the same folder as ProgramFiles
    CommonDocuments,  // the application-data folder
    UserConfig,       // $XDG_CONFIG_HOME, else ~/.config: where the key store lives
};

class KnownFolderProvider {
public:
    virtual ~KnownFolderProvider() = default;
    // An absolute path without trailing separator; empty text when there is none.
    virtual std::wstring Get(KnownFolder folder) const = 0;
};

std::wstring GetKnownFolder(KnownFolder folder);
// Null restores the system's provider. Returns the previous one.
const KnownFolderProvider* SetKnownFolderProvider(const KnownFolderProvider* provider);

// Whether an absolute path lies inside the invoking user's home folder (lexically).
bool IsInInvokingUserHome(const std::wstring& path);

// Creates every missing folder of an absolute path with the given mode, with the rights of the
// account the path belongs to (AccountFor): through sudo, folders made in the user's own folders
// are made as that user. An existing folder is success.
bool CreateFoldersForUser(const std::wstring& path, unsigned mode);

}  // namespace platform
