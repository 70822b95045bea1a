#include "platform/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_system.h"

namespace platform {
namespace {

FileIdentity IdentityFrom(const struct stat& info) {
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
    struct stat info {};
    if (path.empty() || ::stat(PathToNative(path).c_str(), &info) != 0) return std::nullopt;
    return IdentityFrom(info);
}

FileReader::~FileReader() {
    if (m_descriptor >= 0) ::close(m_descriptor);
}

bool FileReader::Open(const std::wstring& path) {
    if (m_descriptor >= 0) ::close(m_descriptor);
    m_path = path;
    m_descriptor = path.empty() ? -1 : ::open(PathToNative(path).c_str(), O_RDONLY | O_CLOEXEC);
    return m_descriptor >= 0;
}

bool FileReader::OpenToRun(const std::wstring& path, std::wstring& refusal) {
    if (m_descriptor >= 0) ::close(m_descriptor);
    m_path = path;
    m_descriptor = -1;
    const int descriptor = path.empty() ? -1
                                        : ::open(PathToNative(path).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        refusal = errno == ELOOP ? L"a symbolic link" : PathFromNative(std::strerror(errno));
        return false;
    }
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        refusal = L"not a regular file";
    } else if (info.st_uid != ::geteuid()) {
        refusal = L"owned by user " + std::to_wstring(info.st_uid);
    } else if (::fchmod(descriptor, 0700) != 0) {
        refusal = PathFromNative(std::strerror(errno));
    } else {
        m_descriptor = descriptor;
        return true;
    }
    ::close(descriptor);
    return false;
}

std::optional<FileIdentity> FileReader::Identity() const {
    struct stat info {};
    if (m_descriptor < 0 || ::fstat(m_descriptor, &info) != 0) return std::nullopt;
    return IdentityFrom(info);
}

std::optional<std::uint64_t> FileReader::Size() const {
    struct stat info {};
    if (m_descriptor < 0 || ::fstat(m_descriptor, &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

long long FileReader::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
    if (m_descriptor < 0) return -1;
    for (;;) {
        const ssize_t got = ::pread(m_descriptor, buffer, size, static_cast<off_t>(offset));
        if (got >= 0) return got;
        if (errno != EINTR) return -1;
    }
}

}  // namespace platform
