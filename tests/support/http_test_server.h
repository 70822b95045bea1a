#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for tests: each connection served on its own thread and
// closed after its answer. The handler decides every answer, faults included (a body cut short,
// a missing length, chunked transfer, a stall); it is called for one request at a time.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/loopback_socket.h"

namespace testing_support {

struct HttpRequest {
    std::string method;
    std::string path;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

struct HttpResponse {
    int status = 200;
    std::string reason = "OK";
    // Sent in place of the status number when not empty: a status line no server should send.
    std::string statusText;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    bool sendLength = true;  // a Content-Length header for the whole body
    bool chunked = false;
    std::size_t cutAfter = std::string::npos;  // body bytes sent before the connection drops
    // After the (cut) body, the connection stays open and silent until the client gives up.
    bool stall = false;
};

class HttpTestServer {
public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    explicit HttpTestServer(Handler handler);
    ~HttpTestServer();

    std::uint16_t Port() const { return m_listener.Port(); }
    std::wstring Url(const std::string& path) const;
    std::vector<HttpRequest> Requests() const;

    // A body with byte ranges: "Range: bytes=N-" gives 206 and the rest from N, "bytes=N-M" the
    // bytes N to M.
    static HttpResponse Bytes(const HttpRequest& request, const std::string& bytes,
                              bool honourRange = true);

private:
    void Serve();
    void Answer(platform::NativeHandle connection);

    Handler m_handler;
    std::mutex m_handlerMutex;
    platform::LoopbackListener m_listener;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::vector<HttpRequest> m_requests;
    std::thread m_thread;
};

}  // namespace testing_support
