#pragma once
// The report channel of a downloader, closed by its owner on the way out. Once Close has
// returned no report is in progress and none is sent again: a package must never be reported
// complete (and so be started) after the window that asked for it has gone.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "utils/status_callback.h"

class ReportGate {
public:
    explicit ReportGate(StatusCallback callback) : m_callback(std::move(callback)) {}

    // Reports are sent one at a time, never after Close. A report may call the owner's Start,
    // which reports a failure itself when no worker can be had: that one goes out from inside.
    void Report(std::int32_t code, double value, const wchar_t* text);
    // Sets the flag at once, then waits for a report in progress. A report in progress may call
    // the owner's Start, which then sees the flag; so Close must not be called from a report.
    void Close();
    bool IsClosed() const { return m_closed; }
    // Set by Close; what the transfers poll to end early.
    const std::atomic<bool>& ClosedFlag() const { return m_closed; }

private:
    StatusCallback m_callback;
    std::recursive_mutex m_mutex;
    std::atomic<bool> m_closed{false};
};
