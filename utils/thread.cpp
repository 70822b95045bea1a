#include "utils/thread.h"

#include "platform/thread.h"
#include "utils/debug_log.h"
#include "utils/text.h"

namespace Utils {

Thread::Thread(void* argument, const std::wstring& name, Task task)
    : m_task(std::move(task)), m_argument(argument), m_name(name) {
    auto handle = std::make_unique<platform::NativeThread>([this] { CallBack(this); });
    if (!handle->IsValid()) return;
    m_threadId = handle->Id();
    m_handle = std::move(handle);
}

Thread::~Thread() {
    Join();
    m_task = nullptr;
}

bool Thread::IsValid() const { return m_handle != nullptr; }

void Thread::Resume() {
    if (m_handle) m_handle->Resume();
}

void Thread::Join() {
    if (!m_handle) return;
    if (m_handle->IsCurrent()) return;
    m_handle->Join();
    m_handle.reset();
    m_threadId = 0xFFFFFFFFu;
}

bool Thread::IsCurrent() const { return m_handle && m_handle->IsCurrent(); }

void Thread::CallBack(Thread* self) {
    std::string name = WideToUtf8(self->m_name);
    if (name.empty()) name = "t" + std::to_string(platform::CurrentThreadId());
    platform::SetCurrentThreadName(name);
    DEBUG_LOG_AT(L"Utils::Thread::CallBack", 101, L"THREAD BEGIN");
    // The task may end this wrapper's life (a worker that restarts its owner), so nothing of
    // *self is touched once it runs.
    Task task = self->m_task;
    void* argument = self->m_argument;
    if (task) task(argument);
    DEBUG_LOG_AT(L"Utils::Thread::CallBack", 107, L"THREAD END");
}

}  // namespace Utils
