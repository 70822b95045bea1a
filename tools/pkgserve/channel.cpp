#include "tools/pkgserve/channel.h"

namespace pkgserve {
namespace {

class Plain : public Channel {
public:
    explicit Plain(platform::NativeHandle handle) : m_handle(handle) {}
    bool SendAll(const void* data, std::size_t size) override { return platform::SendAll(m_handle, data, size); }
    bool Receive(void* buffer, std::size_t size, std::size_t& bytesRead, std::uint32_t timeoutMilliseconds,
                 bool& timedOut) override {
        return platform::Receive(m_handle, buffer, size, bytesRead, timeoutMilliseconds, timedOut);
    }
    void Cut() override { platform::ShutdownConnection(m_handle); }

private:
    platform::NativeHandle m_handle;
};

}  // namespace

std::unique_ptr<Channel> PlainChannel(platform::NativeHandle handle) { return std::make_unique<Plain>(handle); }

}  // namespace pkgserve
