#include "download/restartable_worker.h"

void RestartableWorker::Start(const std::wstring& name, std::function<void()> body) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_thread && m_thread->IsCurrent()) {
        // The one it replaced earlier has already passed its last report.
        std::unique_ptr<Utils::Thread> earlier = std::move(m_finishing);
        m_finishing = std::move(m_thread);
        earlier.reset();
    } else {
        // Joined without the lock: an earlier worker may still be inside a report that calls Start.
        while (m_thread || m_finishing) {
            std::unique_ptr<Utils::Thread> previous = std::move(m_thread);
            std::unique_ptr<Utils::Thread> finishing = std::move(m_finishing);
            lock.unlock();
            previous.reset();
            finishing.reset();
            lock.lock();
        }
    }
    if (m_stopped) return;
    m_thread = std::make_unique<Utils::Thread>(nullptr, name, [body = std::move(body)](void*) { body(); });
    m_thread->Resume();
}

void RestartableWorker::Stop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_stopped = true;
    while (m_thread || m_finishing) {
        std::unique_ptr<Utils::Thread> current = std::move(m_thread);
        std::unique_ptr<Utils::Thread> finishing = std::move(m_finishing);
        lock.unlock();
        current.reset();
        finishing.reset();
        lock.lock();
    }
}
