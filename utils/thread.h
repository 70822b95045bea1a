#pragma once
// The one worker-thread wrapper: a named thread, created suspended, whose task runs between a
// "THREAD BEGIN" and a "THREAD END" log line.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {
class NativeThread;
}

namespace Utils {

class Thread {
public:
    using Task = std::function<void(void* argument)>;

    // Creates the thread suspended; without a thread (IsValid false) nothing ever runs.
    Thread(void* argument, const std::wstring& name, Task task);
    ~Thread();  // joins, then drops the task
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool IsValid() const;
    void Resume();
    // Waits without time limit. A thread cannot wait for itself: called from its own task, Join
    // returns at once and the thread ends on its own.
    void Join();
    bool IsCurrent() const;
    std::uint32_t Id() const { return m_threadId; }

private:
    static void CallBack(Thread* self);

    std::uint32_t m_threadId = 0xFFFFFFFFu;
    std::unique_ptr<platform::NativeThread> m_handle;
    Task m_task;
    void* m_argument;
    std::wstring m_name;
};

}  // namespace Utils
