#include "tests/support/proxy_test_server.h"

namespace testing_support {

ProxyTestServer::ProxyTestServer(std::uint16_t target) : m_target(target) {
    if (!m_listener.Listen()) return;
    m_thread = std::thread([this] { Serve(); });
}

ProxyTestServer::~ProxyTestServer() {
    m_stopping = true;
    if (m_thread.joinable()) m_thread.join();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (Tunnel& tunnel : m_tunnels) {
            platform::ShutdownConnection(tunnel.client);
            platform::ShutdownConnection(tunnel.server);
        }
    }
    // Nothing adds tunnels once the accepting thread has ended.
    for (Tunnel& tunnel : m_tunnels) {
        if (tunnel.upstream.joinable()) tunnel.upstream.join();
        if (tunnel.downstream.joinable()) tunnel.downstream.join();
        platform::CloseHandle(tunnel.client);
        platform::CloseHandle(tunnel.server);
    }
}

std::string ProxyTestServer::Url() const { return "http://127.0.0.1:" + std::to_string(m_listener.Port()); }

std::vector<std::string> ProxyTestServer::RequestLines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

void ProxyTestServer::Serve() {
    while (!m_stopping) {
        const platform::NativeHandle client = m_listener.Accept(50);
        if (client == platform::kInvalidHandle) continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        Tunnel& tunnel = m_tunnels.emplace_back();
        tunnel.client = client;
        tunnel.upstream = std::thread([this, &tunnel] { Open(tunnel); });
    }
}

void ProxyTestServer::Open(Tunnel& tunnel) {
    std::string head;
    char buffer[16 * 1024];
    std::size_t end = std::string::npos;
    while ((end = head.find("\r\n\r\n")) == std::string::npos) {
        std::size_t got = 0;
        bool timedOut = false;
        if (!platform::Receive(tunnel.client, buffer, sizeof buffer, got, 5000, timedOut)) return;
        head.append(buffer, got);
    }
    const std::string line = head.substr(0, head.find("\r\n"));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(line);
        tunnel.server = platform::ConnectLoopback(m_target);
    }
    if (tunnel.server == platform::kInvalidHandle) {
        const std::string refused = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        platform::SendAll(tunnel.client, refused.data(), refused.size());
        return;
    }
    bool sent = false;
    if (line.rfind("CONNECT ", 0) == 0) {
        const std::string established = "HTTP/1.1 200 Connection established\r\n\r\n";
        const std::string early = head.substr(end + 4);  // a client may start TLS at once
        sent = platform::SendAll(tunnel.client, established.data(), established.size()) &&
               platform::SendAll(tunnel.server, early.data(), early.size());
    } else {
        sent = platform::SendAll(tunnel.server, head.data(), head.size());
    }
    if (!sent) return;
    tunnel.downstream = std::thread([this, &tunnel] { Relay(tunnel.server, tunnel.client, tunnel); });
    Relay(tunnel.client, tunnel.server, tunnel);
}

void ProxyTestServer::Relay(platform::NativeHandle from, platform::NativeHandle to, Tunnel& tunnel) {
    char buffer[64 * 1024];
    while (!m_stopping) {
        std::size_t got = 0;
        bool timedOut = false;
        if (platform::Receive(from, buffer, sizeof buffer, got, 100, timedOut)) {
            if (!platform::SendAll(to, buffer, got)) break;
        } else if (!timedOut) {
            break;
        }
    }
    // One side has gone: so has the tunnel, in both directions.
    platform::ShutdownConnection(tunnel.client);
    platform::ShutdownConnection(tunnel.server);
}

}  // namespace testing_support
