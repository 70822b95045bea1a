#pragma once
// Native threads: created suspended, resumed by their creator, joined without time limit.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

class NativeThread {
public:
    // Creates the thread suspended; the body runs only after Resume.
    explicit NativeThread(std::function<void()> body);
    // Joins. Destroyed from its own body, the thread is detached instead.
    ~NativeThread();
    NativeThread(const NativeThread&) = delete;
    NativeThread& operator=(const NativeThread&) = delete;

    bool IsValid() const;
    void Resume();
    // Waits for the thread; one that was never resumed ends without running its body.
    void Join();
    std::uint32_t Id() const;  // the kernel thread id, known once the thread has started
    bool IsCurrent() const;    // the caller is this thread

    struct State;

private:
    std::shared_ptr<State> m_state;
};

std::uint32_t CurrentThreadId();

// Makes every later thread creation fail while set, as when the system has no threads left
// (tests of the owners that must report it).
void SetThreadCreationFails(bool fails);
// Names the calling thread for debuggers (the system keeps at most 15 bytes).
void SetCurrentThreadName(const std::string& name);

}  // namespace platform
