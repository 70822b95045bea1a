#pragma once
// A file opened for reading by offset, and the identity of a file, so a reader can follow a file
// that another thread is still appending to and later tell whether a path names that same file.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/pipe.h"

namespace platform {

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file a path names now; none when it names nothing.
std::optional<FileIdentity> IdentityOf(const std::wstring& path);

class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool Open(const std::wstring& path);
    // Opens a program the installer is about to run, to check its bytes and then run those very
    // bytes (SpawnOptions::image): a regular file reached through no link. On Linux it must be
    // owned by the process's user and its mode is set to 0700 on the open file; on Windows it is
    // opened sharing reading alone, so nobody may write, rename or delete it while it is open.
    // Either way nobody else may change it from here on. False with the reason otherwise.
    bool OpenToRun(const std::wstring& path, std::wstring& refusal);
    bool IsOpen() const { return m_descriptor >= 0; }
    NativeHandle Handle() const { return m_descriptor; }
    // The path the file was opened at.
    const std::wstring& Path() const { return m_path; }
    // The opened file keeps its identity and its content when its path is renamed or removed.
    std::optional<FileIdentity> Identity() const;
    std::optional<std::uint64_t> Size() const;
    // Bytes read (0 at the end of the file), or -1 on a read error.
    long long ReadAt(std::uint64_t offset, void* buffer, std::size_t size);

private:
    NativeHandle m_descriptor = kInvalidHandle;
    std::wstring m_path;
};

}  // namespace platform
