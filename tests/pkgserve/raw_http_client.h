#pragma once
// A bare HTTP/1.1 client over one loopback connection: sends requests exactly as written (so a
// test can send what libcurl would tidy up, such as "..") and reads answers by their length.
#include <cstdlib>
#include <map>
#include <string>

#include "platform/loopback_socket.h"

namespace pkgserve_testing {

struct RawResponse {
    int status = 0;
    std::map<std::string, std::string> headers;  // names as the server wrote them
    std::string body;
    bool complete = false;  // the whole head and as many body bytes as Content-Length promised
    std::string Header(const std::string& name) const {
        auto found = headers.find(name);
        return found == headers.end() ? std::string() : found->second;
    }
};

class RawConnection {
public:
    explicit RawConnection(std::uint16_t port) : m_handle(platform::ConnectLoopback(port)) {}
    ~RawConnection() { platform::CloseHandle(m_handle); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool Send(const std::string& bytes) { return platform::SendAll(m_handle, bytes.data(), bytes.size()); }

    // A GET or HEAD of the path with extra header lines (each ending in CR LF).
    RawResponse Exchange(const std::string& method, const std::string& path, const std::string& headers = "") {
        Send(method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n");
        return Read(method == "HEAD");
    }

    // One answer; a body is read up to its Content-Length or the end of the connection.
    RawResponse Read(bool headOnly = false) {
        RawResponse response;
        std::size_t headEnd;
        while ((headEnd = m_buffer.find("\r\n\r\n")) == std::string::npos)
            if (!Fill()) return response;
        const std::string head = m_buffer.substr(0, headEnd);
        m_buffer.erase(0, headEnd + 4);
        response.status = std::atoi(head.c_str() + head.find(' ') + 1);
        for (std::size_t at = head.find("\r\n"); at != std::string::npos;) {
            const std::size_t next = head.find("\r\n", at + 2);
            const std::string line = head.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2);
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos) response.headers[line.substr(0, colon)] = line.substr(colon + 2);
            at = next;
        }
        const std::size_t length = headOnly ? 0 : std::strtoull(response.Header("Content-Length").c_str(), nullptr, 10);
        while (m_buffer.size() < length)
            if (!Fill()) break;
        response.complete = m_buffer.size() >= length;
        response.body = m_buffer.substr(0, length);
        m_buffer.erase(0, response.body.size());
        return response;
    }

    // Everything received until at least that many bytes (fewer when the connection ends).
    std::string ReadRaw(std::size_t bytes) {
        while (m_buffer.size() < bytes)
            if (!Fill()) break;
        std::string raw;
        raw.swap(m_buffer);
        return raw;
    }

    // Whether the server ends the connection (rather than keeping it open) with nothing more.
    bool EndedByServer() { return m_buffer.empty() && !Fill(); }

private:
    bool Fill() {
        char bytes[65536];
        std::size_t got = 0;
        bool timedOut = false;
        // The time-out only keeps a broken server from hanging the suite.
        if (!platform::Receive(m_handle, bytes, sizeof bytes, got, 20000, timedOut)) return false;
        m_buffer.append(bytes, got);
        return true;
    }

    platform::NativeHandle m_handle;
    std::string m_buffer;
};

}  // namespace pkgserve_testing
