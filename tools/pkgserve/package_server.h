#pragma once
// An HTTP/1.1 server for a catalog of packages on 127.0.0.1: HEAD, GET and single byte ranges,
// connections kept alive, one thread per connection, every one joined by Stop. Faults that
// download engines must survive can be switched on at start or while it runs.
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "platform/loopback_socket.h"
#include "tools/pkgserve/channel.h"
#include "tools/pkgserve/http_exchange.h"
#include "tools/pkgserve/package_catalog.h"

namespace pkgserve {

enum class RedirectMode { kNone, kOncePerPath, kAlways };

struct ServerFaults {
    // The connection is dropped after this many bytes of a response body...
    std::optional<std::uint64_t> cutAfter;
    // ...in the first so many GET requests only; 0 for every one.
    int cutFirst = 0;
    // Every GET is answered with the whole body, as a server without range support does.
    bool ignoreRanges = false;
    // The body stops after this many bytes while the connection stays open...
    std::optional<std::uint64_t> stallAfter;
    // ...for this long before the rest follows; 0 until the client gives up or the server stops.
    std::uint32_t stallMilliseconds = 0;
    int stallFirst = 0;
    // Every request answered with this status (404, 500, ...)...
    int failStatus = 0;
    // ...or only the GET requests, so that probes still succeed.
    bool failOnlyGet = false;
    // Bodies of the right length with every byte changed.
    bool wrongBody = false;
    // 302 to the same package under the other form of its path (/files <-> /packages).
    RedirectMode redirect = RedirectMode::kNone;
    // Every request answered with a 302 to the same target at this base address
    // ("http://127.0.0.1:8080"); none when empty.
    std::string redirectTo;
};

struct ServerOptions {
    std::uint16_t port = 0;  // 0: a free port
    ServerFaults faults;
    // Called with one line per answered request (never concurrently); none when empty.
    std::function<void(const std::string&)> log;
    // HTTPS with this certificate (PEM, chain allowed) and key instead of HTTP, when both are set.
    std::string certificateFile;
    std::string keyFile;
};

class PackageServer {
public:
    PackageServer(PackageCatalog catalog, ServerOptions options);
    ~PackageServer();
    PackageServer(const PackageServer&) = delete;
    PackageServer& operator=(const PackageServer&) = delete;

    bool Start(std::string& error);
    // Ends every connection, stalled ones included, and joins every thread. Idempotent.
    void Stop();

    std::uint16_t Port() const { return m_listener.Port(); }
    // "http://127.0.0.1:<port>", or https.
    std::string BaseUrl() const;
    const PackageCatalog& Catalog() const { return m_catalog; }

    // Replaces the faults for the requests that follow; the "first K" counts start again.
    void SetFaults(const ServerFaults& faults);

private:
    struct Connection {
        platform::NativeHandle handle = platform::kInvalidHandle;
        std::thread thread;
        std::atomic<bool> done{false};
    };
    // What one GET is to suffer, decided when it is answered.
    struct BodyFaults {
        std::optional<std::uint64_t> cutAfter;
        std::optional<std::uint64_t> stallAfter;
        std::uint32_t stallMilliseconds = 0;
        bool wrongBody = false;
    };

    void AcceptLoop();
    void Serve(Connection& connection);
    // Answers one request; false when the connection must close.
    bool Answer(Channel& channel, const Request& request, bool keepOpen, std::string& pending, std::string& logLine);
    bool SendBody(Channel& channel, const Package& package, std::uint64_t first, std::uint64_t length,
                  const BodyFaults& faults, std::string& pending, std::string& logLine);
    // Waits out a stall; false when the client went away or the server stops.
    bool Stall(Channel& channel, std::uint32_t milliseconds, std::string& pending);
    BodyFaults TakeBodyFaults();
    void Log(const std::string& line);

    const PackageCatalog m_catalog;
    const ServerOptions m_options;
    platform::LoopbackListener m_listener;
    TlsContext m_tls;
    bool m_secure = false;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;

    std::mutex m_connectionsMutex;
    std::list<std::unique_ptr<Connection>> m_connections;

    std::mutex m_faultsMutex;
    ServerFaults m_faults;
    int m_cutsDone = 0;
    int m_stallsDone = 0;
    std::set<std::string> m_redirected;

    std::mutex m_logMutex;
};

}  // namespace pkgserve
