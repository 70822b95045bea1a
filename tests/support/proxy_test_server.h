#pragma once
// A small HTTP proxy on 127.0.0.1 for tests. A CONNECT request is answered "200 Connection
// established" and tunnelled; a request in absolute form ("GET http://host/path") is passed on
// as it is. Both go to one loopback port whatever host they name, as a proxy that alone can
// reach the server would. Each client connection has two relaying threads, all joined on
// destruction; the first request line of each connection is kept.
#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/loopback_socket.h"

namespace testing_support {

class ProxyTestServer {
public:
    explicit ProxyTestServer(std::uint16_t target);
    ~ProxyTestServer();
    ProxyTestServer(const ProxyTestServer&) = delete;
    ProxyTestServer& operator=(const ProxyTestServer&) = delete;

    // "http://127.0.0.1:<port>", as proxy variables name it.
    std::string Url() const;
    std::vector<std::string> RequestLines() const;

private:
    struct Tunnel {
        platform::NativeHandle client = platform::kInvalidHandle;
        platform::NativeHandle server = platform::kInvalidHandle;
        std::thread upstream, downstream;
    };

    void Serve();
    void Open(Tunnel& tunnel);
    void Relay(platform::NativeHandle from, platform::NativeHandle to, Tunnel& tunnel);

    const std::uint16_t m_target;
    platform::LoopbackListener m_listener;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::list<Tunnel> m_tunnels;
    std::thread m_thread;
};

}  // namespace testing_support
