#pragma once
#include <string>

#include "platform/named_mutex.h"

// Lets one installer run at a time: a system-wide mutex named after the instance.
class SingleInstanceGuard {
public:
    static constexpr const wchar_t* kNamePrefix = L"D1A547DB89C0BC61_";

    explicit SingleInstanceGuard(const std::wstring& name) : m_name(name) {}
    ~SingleInstanceGuard() { Release(); }

    // False when another instance holds the name or the mutex cannot be created.
    bool Acquire() { return m_mutex.Acquire(MutexName()); }
    void Release() { m_mutex.Release(); }
    std::wstring MutexName() const { return kNamePrefix + m_name; }

private:
    std::wstring m_name;
    platform::NamedMutex m_mutex;
};
