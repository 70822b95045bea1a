#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <vector>

#include "platform/identity.h"
#include "platform/random.h"
#include "platform/utf8.h"

namespace platform {
namespace {

bool StatPath(const std::wstring& path, struct stat& info) {
    if (path.empty()) return false;
    return ::stat(PathToNative(path).c_str(), &info) == 0;
}

bool WriteAll(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(descriptor, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// A directory, not a link, owned by the user, with mode 0700.
bool IsPrivateFolder(const std::string& path, uid_t owner) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) return false;
    struct stat info {};
    const bool ok = ::fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode) &&
                    info.st_uid == owner && (info.st_mode & 07777) == 0700;
    ::close(descriptor);
    return ok;
}

// Moves a refused entry out of the way without following it. A folder is renamed aside rather
// than emptied: a tree someone else could write to is never walked.
bool SetAside(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT;
    if (!S_ISDIR(info.st_mode)) return ::unlink(path.c_str()) == 0;
    Guid guid;
    CreateGuid(guid);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".refused-%08x", static_cast<unsigned>(guid.data1));
    return ::rename(path.c_str(), (path + suffix).c_str()) == 0;
}

}  // namespace

std::string PathToNative(const std::wstring& path) { return WideToUtf8(path); }
std::wstring PathFromNative(const std::string& path) { return Utf8ToWideLossy(path); }

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) return name;
    std::wstring trimmedName = name;
    while (!trimmedName.empty() && trimmedName.front() == kPathSeparator) trimmedName.erase(0, 1);
    if (folder.back() == kPathSeparator) return folder + trimmedName;
    return folder + kPathSeparator + trimmedName;
}

std::wstring ParentPath(const std::wstring& path) {
    auto position = path.find_last_of(kPathSeparator);
    if (position == std::wstring::npos) return {};
    if (position == 0) return std::wstring(1, kPathSeparator);
    return path.substr(0, position);
}

std::wstring FileNameOf(const std::wstring& path) {
    auto position = path.find_last_of(kPathSeparator);
    return position == std::wstring::npos ? path : path.substr(position + 1);
}

std::size_t RootLength(const std::wstring& path) { return !path.empty() && path[0] == kPathSeparator ? 1 : 0; }

bool IsPathSeparator(wchar_t c) { return c == kPathSeparator; }

bool PathExists(const std::wstring& path) {
    struct stat info {};
    return StatPath(path, info);
}

bool IsDirectory(const std::wstring& path) {
    struct stat info {};
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool IsRegularFile(const std::wstring& path) {
    struct stat info {};
    return StatPath(path, info) && S_ISREG(info.st_mode);
}

bool CreateFolder(const std::wstring& path) {
    return !path.empty() && ::mkdir(PathToNative(path).c_str(), 0755) == 0;
}

std::optional<std::uint64_t> FileSize(const std::wstring& path) {
    struct stat info {};
    if (!StatPath(path, info) || !S_ISREG(info.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

bool RemoveFile(const std::wstring& path) {
    return !path.empty() && ::unlink(PathToNative(path).c_str()) == 0;
}

bool RenameFile(const std::wstring& from, const std::wstring& to) {
    return ::rename(PathToNative(from).c_str(), PathToNative(to).c_str()) == 0;
}

bool CopyWholeFile(const std::wstring& from, const std::wstring& to) {
    auto bytes = ReadWholeFile(from, std::numeric_limits<std::size_t>::max());
    if (!bytes) return false;
    struct stat info {};
    if (!StatPath(from, info)) return false;
    if (!WriteFileAtomically(to, *bytes)) return false;
    ::chmod(PathToNative(to).c_str(), info.st_mode & 07777);
    return true;
}

bool AppendFileContent(const std::wstring& from, const std::wstring& to) {
    if (from.empty() || to.empty()) return false;
    const int source = ::open(PathToNative(from).c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) return false;
    // Not O_APPEND: the system copies only between files opened without it.
    const int target = ::open(PathToNative(to).c_str(), O_WRONLY | O_CLOEXEC);
    struct stat sourceInfo {}, targetInfo {};
    bool ok = target >= 0 && ::fstat(source, &sourceInfo) == 0 && ::fstat(target, &targetInfo) == 0;
    const off_t length = sourceInfo.st_size;
    off_t read = 0;
    off_t written = targetInfo.st_size;
    while (ok && read < length) {
        const ssize_t moved = ::copy_file_range(source, &read, target, &written,
                                                static_cast<std::size_t>(length - read), 0);
        if (moved > 0) continue;
        if (moved < 0 && errno == EINTR) continue;
        if (moved == 0 || (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)) {
            ok = false;
            break;
        }
        // A system or file pair that cannot copy inside the kernel: through a buffer instead.
        ok = ::lseek(target, written, SEEK_SET) == written;
        std::vector<char> block(1 << 20);
        while (ok && read < length) {
            const ssize_t got = ::pread(source, block.data(), block.size(), read);
            if (got < 0 && errno == EINTR) continue;
            ok = got > 0 && WriteAll(target, block.data(), static_cast<std::size_t>(got));
            read += got;
        }
    }
    if (target >= 0 && ::close(target) != 0) ok = false;
    ::close(source);
    return ok;
}

bool CreateExclusiveFile(const std::wstring& path) {
    if (path.empty()) return false;
    const int descriptor = ::open(PathToNative(path).c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0) return false;
    return ::close(descriptor) == 0;
}

bool IsSameFile(const std::wstring& a, const std::wstring& b) {
    struct stat first {}, second {};
    return StatPath(a, first) && StatPath(b, second) && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

bool SetExecutable(const std::wstring& path) {
    struct stat info {};
    if (!StatPath(path, info)) return false;
    mode_t mode = info.st_mode & 07777;
    mode |= S_IXUSR | ((mode & S_IRGRP) ? S_IXGRP : 0) | ((mode & S_IROTH) ? S_IXOTH : 0);
    return ::chmod(PathToNative(path).c_str(), mode) == 0;
}

bool QueryDiskSpace(const std::wstring& path, DiskSpace& space, long& errorCode) {
    struct statvfs info {};
    if (path.empty() || ::statvfs(PathToNative(path).c_str(), &info) != 0) {
        errorCode = path.empty() ? ENOENT : errno;
        return false;
    }
    std::uint64_t unit = info.f_frsize ? info.f_frsize : info.f_bsize;
    space.availableToCaller = static_cast<std::uint64_t>(info.f_bavail) * unit;
    space.total = static_cast<std::uint64_t>(info.f_blocks) * unit;
    space.totalFree = static_cast<std::uint64_t>(info.f_bfree) * unit;
    errorCode = 0;
    return true;
}

std::wstring GetTempFolder() {
    std::wstring folder = L"/tmp/";
    if (const char* configured = std::getenv("TMPDIR"); configured && *configured)
        folder = PathFromNative(configured);
    if (folder.back() != kPathSeparator) folder += kPathSeparator;
    return folder;
}

bool EnsurePrivateFolder(const std::wstring& path, unsigned ownerId, unsigned groupId) {
    std::string native = PathToNative(path);
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    if (native.empty()) return false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (::mkdir(native.c_str(), 0700) == 0) {
            const int descriptor = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (descriptor < 0) return false;
            // The mode on the open folder: the process's umask may have taken bits from it.
            bool ok = ::fchmod(descriptor, 0700) == 0;
            if (ok && ownerId != ::geteuid()) ok = ::fchown(descriptor, ownerId, groupId) == 0;
            ::close(descriptor);
            return ok;
        }
        if (errno != EEXIST) return false;
        if (IsPrivateFolder(native, ownerId)) return true;
        if (!SetAside(native)) return false;
    }
    return false;
}

std::wstring PrivateTempFolder(const std::wstring& name, const std::optional<UserAccount>& account) {
    FileAccessAs access(account);
    const uid_t owner = account ? account->uid : ::geteuid();
    const gid_t group = account ? account->gid : ::getegid();
    const std::wstring folder = GetTempFolder() + name + L"-" + std::to_wstring(owner);
    if (EnsurePrivateFolder(folder, owner, group)) return folder + kPathSeparator;
    // Another user holds the name in a shared folder and only root could move it aside: a folder
    // of a unique name instead, made once and kept for the process while it stays private.
    static std::mutex mutex;
    static std::map<std::wstring, std::string> made;
    std::lock_guard<std::mutex> lock(mutex);
    auto found = made.find(folder);
    if (found != made.end() && IsPrivateFolder(found->second, owner)) return PathFromNative(found->second) + kPathSeparator;
    std::string pattern = PathToNative(folder) + ".XXXXXX";
    std::vector<char> unique(pattern.begin(), pattern.end());
    unique.push_back('\0');
    if (!::mkdtemp(unique.data())) return {};
    made[folder] = unique.data();
    return PathFromNative(unique.data()) + kPathSeparator;
}

bool CopyToNewFile(const std::wstring& from, const std::wstring& to, unsigned mode) {
    const std::string target = PathToNative(to);
    if (target.empty() || (::unlink(target.c_str()) != 0 && errno != ENOENT)) return false;
    const int source = ::open(PathToNative(from).c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) return false;
    const int copy = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (copy < 0) {
        ::close(source);
        return false;
    }
    bool ok = true;
    std::vector<char> block(1 << 16);
    while (ok) {
        const ssize_t got = ::read(source, block.data(), block.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = WriteAll(copy, block.data(), static_cast<std::size_t>(got));
    }
    ok = ok && ::fchmod(copy, static_cast<mode_t>(mode & 07777)) == 0;
    ok = ::close(copy) == 0 && ok;
    ::close(source);
    if (!ok) ::unlink(target.c_str());
    return ok;
}

bool WriteFileAtomically(const std::wstring& path, const std::string& bytes) {
    std::string target = PathToNative(path);
    std::string pattern = target + ".XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) return false;
    ::fchmod(descriptor, 0644);
    bool ok = WriteAll(descriptor, bytes.data(), bytes.size()) && ::fsync(descriptor) == 0;
    ok = (::close(descriptor) == 0) && ok;
    if (ok) ok = ::rename(temporary.data(), target.c_str()) == 0;
    if (!ok) ::unlink(temporary.data());
    return ok;
}

namespace {

std::string NativeParent(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Opens a regular file for reading; see ReadWholeFile for the links it follows.
int OpenRegularForReading(const std::string& path) {
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
    int descriptor = ::open(path.c_str(), kFlags | O_NOFOLLOW);
    if (descriptor < 0 && errno == ELOOP) {
        struct stat link {}, folder {};
        if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) &&
            ::stat(NativeParent(path).c_str(), &folder) == 0 && link.st_uid == folder.st_uid &&
            (link.st_uid == 0 || link.st_uid == FileAccessUser()))
            descriptor = ::open(path.c_str(), kFlags);
    }
    if (descriptor < 0) return -1;
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

// Reads up to `limit` bytes; nothing when the file holds more.
std::optional<std::string> ReadCapped(int descriptor, std::size_t limit) {
    std::string bytes;
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) return bytes;
        if (bytes.size() + static_cast<std::size_t>(got) > limit) return std::nullopt;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::wstring& path, std::size_t limit) {
    if (path.empty()) return std::nullopt;
    const int descriptor = OpenRegularForReading(PathToNative(path));
    if (descriptor < 0) return std::nullopt;
    std::optional<std::string> bytes = ReadCapped(descriptor, limit);
    ::close(descriptor);
    return bytes;
}

OwnFileContent ReadOwnFile(const std::wstring& path, std::string& bytes, std::string& refusal,
                           std::size_t limit) {
    bytes.clear();
    refusal.clear();
    const int descriptor = ::open(PathToNative(path).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == ENOENT) return OwnFileContent::kMissing;
        refusal = errno == ELOOP ? "a symbolic link" : std::strerror(errno);
        return OwnFileContent::kRefused;
    }
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        refusal = "not a regular file";
    } else if (info.st_uid != FileAccessUser()) {
        refusal = "owned by user " + std::to_string(info.st_uid);
    } else if (std::optional<std::string> content = ReadCapped(descriptor, limit)) {
        bytes = std::move(*content);
    } else {
        refusal = "unreadable or larger than " + std::to_string(limit) + " bytes";
    }
    ::close(descriptor);
    return refusal.empty() ? OwnFileContent::kRead : OwnFileContent::kRefused;
}

std::FILE* OpenFileForAppend(const std::wstring& path) {
    const std::string native = PathToNative(path);
    if (native.empty()) return nullptr;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int descriptor = ::open(native.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (descriptor < 0) {
            // A link where the file should be: removed, never followed.
            if (errno != ELOOP || attempt > 0 || ::unlink(native.c_str()) != 0) return nullptr;
            continue;
        }
        struct stat info {};
        if (::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()) {
            if (std::FILE* file = ::fdopen(descriptor, "a+")) return file;
            ::close(descriptor);
            return nullptr;
        }
        ::close(descriptor);
        if (attempt > 0 || ::unlink(native.c_str()) != 0) return nullptr;
    }
    return nullptr;
}

}  // namespace platform
