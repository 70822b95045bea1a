#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class Md5 {
public:
    Md5();
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;

    bool IsValid() const;
    void Update(const void* data, std::size_t size);
    std::array<std::uint8_t, 16> Finish();
    // The digest as 32 lower-case hex digits, the form package addresses carry.
    std::string FinishHex();

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};

}  // namespace platform
