#include "platform/thread.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace platform {

struct NativeThread::State {
    std::function<void()> body;
    std::mutex mutex;
    std::condition_variable resumed;
    bool running = false;  // resumed, or released to end without running
    bool skipBody = false;
    std::uint32_t id = 0;
    pthread_t handle{};
    bool valid = false;
    bool joined = false;
};

namespace {

std::atomic<bool> g_creationFails{false};

void* ThreadMain(void* argument) {
    auto* holder = static_cast<std::shared_ptr<NativeThread::State>*>(argument);
    std::shared_ptr<NativeThread::State> state = std::move(*holder);
    delete holder;
    bool skip;
    {
        std::unique_lock lock(state->mutex);
        state->id = CurrentThreadId();
        state->resumed.notify_all();
        state->resumed.wait(lock, [&] { return state->running; });
        skip = state->skipBody;
    }
    if (!skip && state->body) state->body();
    return nullptr;
}

}  // namespace

NativeThread::NativeThread(std::function<void()> body) : m_state(std::make_shared<State>()) {
    m_state->body = std::move(body);
    if (g_creationFails) return;
    auto* holder = new std::shared_ptr<State>(m_state);
    if (pthread_create(&m_state->handle, nullptr, ThreadMain, holder) == 0) {
        m_state->valid = true;
    } else {
        delete holder;
    }
}

NativeThread::~NativeThread() {
    if (!m_state->valid || m_state->joined) return;
    if (pthread_equal(pthread_self(), m_state->handle)) {
        // Destroyed from its own body: it cannot wait for itself, so it ends on its own.
        pthread_detach(m_state->handle);
        m_state->joined = true;
        return;
    }
    Join();
}

bool NativeThread::IsValid() const { return m_state->valid; }

void NativeThread::Resume() {
    // Once resumed, the body may destroy this object (a worker that ends its own wrapper), so
    // only a copy of the state is touched from here on, and it is woken while the lock is held.
    std::shared_ptr<State> state = m_state;
    std::lock_guard lock(state->mutex);
    state->running = true;
    state->resumed.notify_all();
}

void NativeThread::Join() {
    if (!m_state->valid || m_state->joined) return;
    if (pthread_equal(pthread_self(), m_state->handle)) return;  // a thread must not join itself
    {
        std::lock_guard lock(m_state->mutex);
        if (!m_state->running) {
            m_state->running = true;
            m_state->skipBody = true;  // never resumed: end without running the body
        }
        m_state->resumed.notify_all();
    }
    pthread_join(m_state->handle, nullptr);
    m_state->joined = true;
}

std::uint32_t NativeThread::Id() const {
    if (!m_state->valid) return 0;
    std::unique_lock lock(m_state->mutex);
    m_state->resumed.wait(lock, [&] { return m_state->id != 0; });
    return m_state->id;
}

bool NativeThread::IsCurrent() const {
    return m_state->valid && pthread_equal(pthread_self(), m_state->handle);
}

void SetThreadCreationFails(bool fails) { g_creationFails = fails; }

std::uint32_t CurrentThreadId() { return static_cast<std::uint32_t>(::syscall(SYS_gettid)); }

void SetCurrentThreadName(const std::string& name) {
    std::string shortName = name.substr(0, 15);
    pthread_setname_np(pthread_self(), shortName.c_str());
}

}  // namespace platform
