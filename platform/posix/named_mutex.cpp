#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/file_system.h"

namespace platform {
namespace {

std::wstring LockFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime && IsDirectory(PathFromNative(runtime)))
        return PathFromNative(runtime);
    return GetTempPath();
}

}  // namespace

NamedMutex::~NamedMutex() { Release(); }

bool NamedMutex::Acquire(const std::wstring& name) {
    if (m_descriptor >= 0) return true;
    std::wstring safeName;
    for (wchar_t c : name) safeName += (c == L'/' || c == L'\0') ? L'_' : c;
    std::string path = PathToNative(JoinPath(LockFolder(), safeName + L".lock"));
    // Close-on-exec: a child (the setup package, the product started at the end) must not keep
    // the installer's lock alive after the installer is gone.
    int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0) return false;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return false;
    }
    m_descriptor = descriptor;
    return true;
}

void NamedMutex::Release() {
    if (m_descriptor < 0) return;
    ::flock(m_descriptor, LOCK_UN);
    ::close(m_descriptor);
    m_descriptor = -1;
}

}  // namespace platform
