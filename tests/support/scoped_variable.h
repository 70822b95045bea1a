#pragma once
// Sets (or with null removes) environment variables for one scope and gives each back its earlier
// value at the end. Only for a test's main thread while no worker that reads them runs.
#include <cstdlib>
#include <deque>
#include <optional>
#include <string>

namespace testing_support {

class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        Put(name, value);
    }
    ~ScopedVariable() { Put(m_name.c_str(), m_old ? m_old->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    // The C runtime's copy and the process's own environment, which children inherit, alike.
    static void Put(const char* name, const char* value) {
#ifdef _WIN32
        ::_putenv_s(name, value ? value : "");
#else
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
#endif
    }

    std::string m_name;
    std::optional<std::string> m_old;
};

// Any number of variables, set one by one and given back in the reverse order.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment() {
        while (!m_variables.empty()) m_variables.pop_back();
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const char* name, const char* value) { m_variables.emplace_back(name, value); }
    void Set(const char* name, const std::string& value) { Set(name, value.c_str()); }

private:
    std::deque<ScopedVariable> m_variables;
};

}  // namespace testing_support
