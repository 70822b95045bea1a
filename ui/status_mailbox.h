#pragma once
// Reports of the installation job travel from its workers to the window's thread as posted
// messages, each carrying one record. The mailbox keeps every record it posted until the window
// takes it, so that records still queued when the window goes are freed with the mailbox.
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "skinui/backend/window_system.h"

struct StatusRecord {
    std::int32_t code = 0;
    double value = 0;
    std::wstring text;
};

class StatusMailbox {
public:
    static constexpr SkinUI::UINT kMessage = 0x0400 + 1000;  // WM_USER + 1000, 2024

    StatusMailbox() = default;
    StatusMailbox(const StatusMailbox&) = delete;
    StatusMailbox& operator=(const StatusMailbox&) = delete;

    // Posts go to this window from now on (the window's thread, once it exists).
    void Open(SkinUI::WindowHandle window);
    // No more posts; the records not taken yet are freed.
    void Close();
    // Any thread: copies the report into a record and posts it (wParam 0, lParam the record).
    // Dropped when the mailbox is closed or the window refuses the post.
    void Post(std::int32_t code, double value, const wchar_t* text);
    // The window's thread: the record a message carried; null for one this mailbox does not
    // hold (null, or already taken).
    std::unique_ptr<StatusRecord> Take(SkinUI::LPARAM lParam);
    std::size_t Pending() const;

private:
    mutable std::mutex m_mutex;
    SkinUI::WindowSystem* m_system = nullptr;
    SkinUI::WindowHandle m_window = nullptr;
    std::list<std::unique_ptr<StatusRecord>> m_records;
};
