#include "download/restartable_worker.h"

bool RestartableWorker::Start(const std::wstring& name, std::function<void()> body) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_thread && m_thread->IsCurrent()) {
        // The one it replaced earlier has already passed its last report.
        std::unique_ptr<Utils::Thread> earlier = std::move(m_finishing);
        m_finishing = std::move(m_thread);
        earlier.reset();
    } else {
        JoinAll(lock);
    }
    if (m_stopped) return true;
    m_thread = std::make_unique<Utils::Thread>(nullptr, name, [body = std::move(body)](void*) { body(); });
    if (!m_thread->IsValid()) {
        m_thread.reset();
        return false;
    }
    m_thread->Resume();
    return true;
}

void RestartableWorker::Stop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_stopped = true;
    JoinAll(lock);
}

void RestartableWorker::JoinAll(std::unique_lock<std::mutex>& lock) {
    while (m_thread || m_finishing) {
        std::unique_ptr<Utils::Thread> current = std::move(m_thread);
        std::unique_ptr<Utils::Thread> finishing = std::move(m_finishing);
        lock.unlock();
        current.reset();
        finishing.reset();
        lock.lock();
    }
}
