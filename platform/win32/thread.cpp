#include "platform/thread.h"

#include <process.h>
#include <windows.h>

#include <atomic>

#include "platform/utf8.h"

namespace platform {

struct NativeThread::State {
    std::function<void()> body;
    std::atomic<bool> skipBody{false};
    HANDLE handle = nullptr;
    std::uint32_t id = 0;
    bool resumed = false;
    bool joined = false;
};

namespace {

std::atomic<bool> g_creationFails{false};

unsigned __stdcall ThreadMain(void* argument) {
    auto* holder = static_cast<std::shared_ptr<NativeThread::State>*>(argument);
    std::shared_ptr<NativeThread::State> state = std::move(*holder);
    delete holder;
    if (!state->skipBody && state->body) state->body();
    return 0;
}

}  // namespace

NativeThread::NativeThread(std::function<void()> body) : m_state(std::make_shared<State>()) {
    m_state->body = std::move(body);
    if (g_creationFails) return;
    auto* holder = new std::shared_ptr<State>(m_state);
    unsigned id = 0;
    // The C runtime's own start, so the runtime's per-thread data is set up for the body.
    const std::uintptr_t handle = ::_beginthreadex(nullptr, 0, ThreadMain, holder, CREATE_SUSPENDED, &id);
    if (handle == 0) {
        delete holder;
        return;
    }
    m_state->handle = reinterpret_cast<HANDLE>(handle);
    m_state->id = id;
}

NativeThread::~NativeThread() {
    if (!m_state->handle || m_state->joined) return;
    if (IsCurrent()) {
        // Destroyed from its own body: it cannot wait for itself, so it ends on its own.
        ::CloseHandle(m_state->handle);
        m_state->joined = true;
        return;
    }
    Join();
}

bool NativeThread::IsValid() const { return m_state->handle != nullptr; }

void NativeThread::Resume() {
    // Once resumed, the body may destroy this object (a worker that ends its own wrapper), so
    // only a copy of the state is touched from here on.
    std::shared_ptr<State> state = m_state;
    if (!state->handle || state->resumed) return;
    state->resumed = true;
    ::ResumeThread(state->handle);
}

void NativeThread::Join() {
    if (!m_state->handle || m_state->joined) return;
    if (IsCurrent()) return;  // a thread must not join itself
    if (!m_state->resumed) {
        // Never resumed: it ends without running its body.
        m_state->skipBody = true;
        m_state->resumed = true;
        ::ResumeThread(m_state->handle);
    }
    ::WaitForSingleObject(m_state->handle, INFINITE);
    ::CloseHandle(m_state->handle);
    m_state->joined = true;
}

std::uint32_t NativeThread::Id() const { return m_state->handle ? m_state->id : 0; }

bool NativeThread::IsCurrent() const { return m_state->handle && ::GetCurrentThreadId() == m_state->id; }

void SetThreadCreationFails(bool fails) { g_creationFails = fails; }

std::uint32_t CurrentThreadId() { return ::GetCurrentThreadId(); }

void SetCurrentThreadName(const std::string& name) {
    // SetThreadDescription (Windows 10 1607 and later) names the thread for debuggers and crash
    // dumps; looked up at run time, since older systems lack it.
    using Describe = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    HMODULE kernel32 = ::GetModuleHandleW(L"kernel32");
    auto describe = kernel32 ? reinterpret_cast<Describe>(reinterpret_cast<void*>(
                                   ::GetProcAddress(kernel32, "SetThreadDescription")))
                             : nullptr;
    if (describe) describe(::GetCurrentThread(), Utf8ToWideLossy(name).c_str());
}

}  // namespace platform
