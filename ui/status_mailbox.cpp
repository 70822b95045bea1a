#include "ui/status_mailbox.h"

void StatusMailbox::Open(SkinUI::WindowHandle window) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_system = SkinUI::GetWindowSystem();
    m_window = window;
}

void StatusMailbox::Close() {
    std::list<std::unique_ptr<StatusRecord>> gone;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_window = nullptr;
        gone.swap(m_records);
    }
}

void StatusMailbox::Post(std::int32_t code, double value, const wchar_t* text) {
    auto record = std::make_unique<StatusRecord>();
    record->code = code;
    record->value = value;
    if (text) record->text = text;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_window || !m_system) return;
    StatusRecord* posted = record.get();
    m_records.push_back(std::move(record));
    // Posted under the lock: a Close on the window's thread cannot free the record between
    // its filing and its post.
    if (!m_system->PostMessage(m_window, kMessage, 0, reinterpret_cast<SkinUI::LPARAM>(posted))) m_records.pop_back();
}

std::unique_ptr<StatusRecord> StatusMailbox::Take(SkinUI::LPARAM lParam) {
    const auto* wanted = reinterpret_cast<const StatusRecord*>(lParam);
    if (!wanted) return nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_records.begin(); it != m_records.end(); ++it) {
        if (it->get() != wanted) continue;
        std::unique_ptr<StatusRecord> record = std::move(*it);
        m_records.erase(it);
        return record;
    }
    return nullptr;
}

std::size_t StatusMailbox::Pending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_records.size();
}
