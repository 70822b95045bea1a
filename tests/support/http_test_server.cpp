#include "tests/support/http_test_server.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace testing_support {
namespace {

std::string Lower(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

HttpTestServer::HttpTestServer(Handler handler) : m_handler(std::move(handler)) {
    if (!m_listener.Listen()) return;
    m_thread = std::thread([this] { Serve(); });
}

HttpTestServer::~HttpTestServer() {
    m_stopping = true;
    if (m_thread.joinable()) m_thread.join();
}

std::wstring HttpTestServer::Url(const std::string& path) const {
    const std::string url = "http://127.0.0.1:" + std::to_string(Port()) + path;
    return std::wstring(url.begin(), url.end());
}

std::vector<HttpRequest> HttpTestServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

HttpResponse HttpTestServer::Bytes(const HttpRequest& request, const std::string& bytes, bool honourRange) {
    HttpResponse response;
    auto range = request.headers.find("range");
    if (honourRange && range != request.headers.end() && range->second.rfind("bytes=", 0) == 0) {
        char* rest = nullptr;
        const std::size_t from = std::strtoull(range->second.c_str() + 6, &rest, 10);
        std::size_t last = bytes.empty() ? 0 : bytes.size() - 1;
        if (*rest == '-' && rest[1] != '\0') last = std::min<std::size_t>(last, std::strtoull(rest + 1, nullptr, 10));
        if (from >= bytes.size()) {
            response.status = 416;
            response.reason = "Range Not Satisfiable";
            return response;
        }
        if (last >= from) {
            response.status = 206;
            response.reason = "Partial Content";
            response.headers.push_back({"Content-Range", "bytes " + std::to_string(from) + "-" +
                                                             std::to_string(last) + "/" +
                                                             std::to_string(bytes.size())});
            response.body = bytes.substr(from, last - from + 1);
            return response;
        }
        // An invalid range is ignored, as HTTP asks.
    }
    response.body = bytes;
    return response;
}

void HttpTestServer::Serve() {
    std::vector<std::thread> connections;
    while (!m_stopping) {
        platform::NativeHandle connection = m_listener.Accept(50);
        if (connection == platform::kInvalidHandle) continue;
        connections.emplace_back([this, connection]() mutable {
            Answer(connection);
            platform::CloseHandle(connection);
        });
    }
    for (auto& connection : connections) connection.join();
}

void HttpTestServer::Answer(platform::NativeHandle connection) {
    std::string received;
    char buffer[4096];
    std::size_t headerEnd = std::string::npos;
    while (headerEnd == std::string::npos) {
        std::size_t got = 0;
        bool timedOut = false;
        if (!platform::Receive(connection, buffer, sizeof buffer, got, 5000, timedOut)) return;
        received.append(buffer, got);
        headerEnd = received.find("\r\n\r\n");
    }
    HttpRequest request;
    const std::string head = received.substr(0, headerEnd);
    std::size_t lineEnd = head.find("\r\n");
    const std::string first = head.substr(0, lineEnd);
    const std::size_t space = first.find(' ');
    request.method = first.substr(0, space);
    request.path = first.substr(space + 1, first.rfind(' ') - space - 1);
    while (lineEnd != std::string::npos && lineEnd < head.size()) {
        const std::size_t next = head.find("\r\n", lineEnd + 2);
        const std::string line = head.substr(lineEnd + 2, next == std::string::npos ? std::string::npos : next - lineEnd - 2);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            request.headers[Lower(line.substr(0, colon))] = value;
        }
        lineEnd = next;
    }
    request.body = received.substr(headerEnd + 4);
    auto length = request.headers.find("content-length");
    const std::size_t wanted = length == request.headers.end() ? 0 : std::strtoull(length->second.c_str(), nullptr, 10);
    while (request.body.size() < wanted) {
        std::size_t got = 0;
        bool timedOut = false;
        if (!platform::Receive(connection, buffer, sizeof buffer, got, 5000, timedOut)) break;
        request.body.append(buffer, got);
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
    }
    HttpResponse response;
    {
        // Handlers count and switch faults without locks of their own.
        std::lock_guard<std::mutex> lock(m_handlerMutex);
        response = m_handler(request);
    }
    const std::string status = response.statusText.empty() ? std::to_string(response.status) : response.statusText;
    std::string out = "HTTP/1.1 " + status + " " + response.reason + "\r\n";
    for (const auto& [name, value] : response.headers) out += name + ": " + value + "\r\n";
    if (response.chunked)
        out += "Transfer-Encoding: chunked\r\n";
    else if (response.sendLength)
        out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    if (!platform::SendAll(connection, out.data(), out.size())) return;
    if (request.method == "HEAD") return;
    const std::string body = response.body.substr(0, response.cutAfter);
    if (response.chunked) {
        for (std::size_t at = 0; at < body.size(); at += 1000) {
            const std::string piece = body.substr(at, 1000);
            char size[32];
            std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
            const std::string chunk = size + piece + "\r\n";
            if (!platform::SendAll(connection, chunk.data(), chunk.size())) return;
        }
        if (response.cutAfter == std::string::npos) platform::SendAll(connection, "0\r\n\r\n", 5);
        return;
    }
    if (!platform::SendAll(connection, body.data(), body.size())) return;
    while (response.stall && !m_stopping) {
        std::size_t got = 0;
        bool timedOut = false;
        if (!platform::Receive(connection, buffer, sizeof buffer, got, 50, timedOut) && !timedOut) break;
    }
}

}  // namespace testing_support
