#pragma once
// The one worker of a downloader that runs a single worker at a time. Each Start replaces it;
// a Start asked from inside the worker's own report (the owner answers DL_CODE_RETRY that way)
// cannot wait for that worker, which ends right after the report and is joined later. Every
// worker is joined, by the next Start or by Stop, never detached.
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "utils/thread.h"

class RestartableWorker {
public:
    RestartableWorker() = default;
    ~RestartableWorker() { Stop(); }
    RestartableWorker(const RestartableWorker&) = delete;
    RestartableWorker& operator=(const RestartableWorker&) = delete;

    // Waits for the earlier workers (except the caller), then runs the body on a new thread of
    // that name. Does nothing once stopped. False only when no thread could be made: nobody
    // will report for the body then.
    bool Start(const std::wstring& name, std::function<void()> body);
    // No worker starts afterwards; waits for every one. Not to be called from a worker.
    void Stop();

private:
    // Joins the worker and the finishing one, without the lock: a worker may still be inside a
    // report that calls Start. Returns with the lock held again and no worker left.
    void JoinAll(std::unique_lock<std::mutex>& lock);

    std::unique_ptr<Utils::Thread> m_thread;
    // A worker that asked for its own replacement; past its last report.
    std::unique_ptr<Utils::Thread> m_finishing;
    std::mutex m_mutex;
    bool m_stopped = false;
};
