#include "tools/pkgserve/package_server.h"

#include <algorithm>
#include <cstdlib>

#include "platform/clock.h"

namespace pkgserve {
namespace {

constexpr std::size_t kLargestHead = 16 * 1024;
// Request bodies are not used; one up to this size is read and dropped, a larger one ends the
// connection after the answer.
constexpr std::uint64_t kLargestIgnoredBody = 1024 * 1024;
// A kept-alive connection without a request for this long is closed.
constexpr std::uint32_t kIdleMilliseconds = 60 * 1000;
constexpr std::uint32_t kPollMilliseconds = 100;

}  // namespace

PackageServer::PackageServer(PackageCatalog catalog, ServerOptions options)
    : m_catalog(std::move(catalog)), m_options(std::move(options)), m_faults(m_options.faults) {}

PackageServer::~PackageServer() { Stop(); }

bool PackageServer::Start(std::string& error) {
    if (m_acceptThread.joinable() || m_stopping) {
        error = "the server was started before";
        return false;
    }
    m_secure = !m_options.certificateFile.empty() && !m_options.keyFile.empty();
    if (m_secure && !m_tls.Load(m_options.certificateFile, m_options.keyFile, error)) return false;
    if (!m_listener.Listen(m_options.port)) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(m_options.port);
        return false;
    }
    m_acceptThread = std::thread([this] { AcceptLoop(); });
    return true;
}

void PackageServer::Stop() {
    m_stopping = true;
    if (m_acceptThread.joinable()) m_acceptThread.join();
    {
        // Wakes the threads blocked on a client that neither reads nor closes.
        std::lock_guard<std::mutex> lock(m_connectionsMutex);
        for (auto& connection : m_connections) platform::ShutdownConnection(connection->handle);
    }
    // Nothing adds connections once the accepting thread has ended.
    for (auto& connection : m_connections) connection->thread.join();
    m_connections.clear();
    m_listener.Close();
}

std::string PackageServer::BaseUrl() const {
    return (m_secure ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(Port());
}

void PackageServer::SetFaults(const ServerFaults& faults) {
    std::lock_guard<std::mutex> lock(m_faultsMutex);
    m_faults = faults;
    m_cutsDone = 0;
    m_stallsDone = 0;
    m_redirected.clear();
}

void PackageServer::AcceptLoop() {
    while (!m_stopping) {
        const platform::NativeHandle handle = m_listener.Accept(kPollMilliseconds);
        if (handle == platform::kInvalidHandle) continue;
        std::lock_guard<std::mutex> lock(m_connectionsMutex);
        for (auto it = m_connections.begin(); it != m_connections.end();) {
            if ((*it)->done) {
                (*it)->thread.join();
                it = m_connections.erase(it);
            } else {
                ++it;
            }
        }
        auto connection = std::make_unique<Connection>();
        connection->handle = handle;
        Connection& served = *connection;
        connection->thread = std::thread([this, &served] { Serve(served); });
        m_connections.push_back(std::move(connection));
    }
}

void PackageServer::Serve(Connection& connection) {
    const platform::NativeHandle handle = connection.handle;
    std::unique_ptr<Channel> channel = m_secure ? m_tls.Accept(handle) : PlainChannel(handle);
    if (!channel) {
        Log("(TLS handshake failed)");
        std::lock_guard<std::mutex> lock(m_connectionsMutex);
        platform::CloseHandle(connection.handle);
        connection.done = true;
        return;
    }
    std::string pending;
    char buffer[16 * 1024];
    std::uint32_t idle = 0;
    bool open = true;
    while (open && !m_stopping) {
        Request request;
        std::size_t headLength = 0;
        const HeadStatus status = ParseRequestHead(pending, request, headLength);
        if (status == HeadStatus::kIncomplete) {
            if (pending.size() > kLargestHead) {
                const std::string answer = ResponseHead(431, {{"Content-Length", "0"}, {"Connection", "close"}});
                channel->SendAll(answer.data(), answer.size());
                Log("(head too large) 431");
                break;
            }
            std::size_t got = 0;
            bool timedOut = false;
            if (channel->Receive(buffer, sizeof buffer, got, kPollMilliseconds, timedOut)) {
                pending.append(buffer, got);
                idle = 0;
            } else if (!timedOut || (idle += kPollMilliseconds) >= kIdleMilliseconds) {
                break;
            }
            continue;
        }
        if (status == HeadStatus::kMalformed) {
            const std::string answer = ResponseHead(400, {{"Content-Length", "0"}, {"Connection", "close"}});
            channel->SendAll(answer.data(), answer.size());
            Log("(malformed request) 400");
            break;
        }
        pending.erase(0, headLength);

        std::uint64_t bodyLength = 0;
        const bool lengthKnown = !request.HasHeader("content-length") ||
                                 (!request.Header("content-length").empty() &&
                                  request.Header("content-length").find_first_not_of("0123456789") == std::string::npos &&
                                  request.Header("content-length").size() < 19);
        if (lengthKnown && request.HasHeader("content-length"))
            bodyLength = std::strtoull(request.Header("content-length").c_str(), nullptr, 10);
        // Without a length the request body cannot be skipped, so nothing after it can be read.
        bool keepOpen = lengthKnown && !request.HasHeader("transfer-encoding") && bodyLength <= kLargestIgnoredBody;
        while (keepOpen && pending.size() < bodyLength) {
            std::size_t got = 0;
            bool timedOut = false;
            if (!channel->Receive(buffer, sizeof buffer, got, 5000, timedOut)) {
                keepOpen = false;
                break;
            }
            pending.append(buffer, got);
        }
        if (keepOpen) pending.erase(0, static_cast<std::size_t>(bodyLength));

        std::string logLine = request.method + " " + request.target;
        open = Answer(*channel, request, keepOpen, pending, logLine);
        Log(logLine);
    }
    channel.reset();
    std::lock_guard<std::mutex> lock(m_connectionsMutex);
    platform::CloseHandle(connection.handle);
    connection.done = true;
}

bool PackageServer::Answer(Channel& channel, const Request& request, bool keepOpen, std::string& pending,
                           std::string& logLine) {
    const bool keepAlive = keepOpen && request.KeepAlive();
    const bool head = request.method == "HEAD";
    auto reply = [&](int status, HeaderList headers, const std::string& body) {
        headers.emplace_back("Content-Length", std::to_string(body.size()));
        headers.emplace_back("Connection", keepAlive ? "keep-alive" : "close");
        std::string answer = ResponseHead(status, headers);
        if (!head) answer += body;
        logLine += " " + std::to_string(status);
        return channel.SendAll(answer.data(), answer.size()) && keepAlive;
    };
    auto text = [](int status) { return std::string(ReasonPhrase(status)) + "\n"; };

    if (request.method != "GET" && !head) return reply(405, {{"Allow", "GET, HEAD"}}, text(405));
    std::vector<std::string> segments;
    if (!DecodeTargetPath(request.target, segments)) return reply(400, {}, text(400));
    ServerFaults faults;
    {
        std::lock_guard<std::mutex> lock(m_faultsMutex);
        faults = m_faults;
    }
    if (faults.failStatus != 0 && !(faults.failOnlyGet && head)) return reply(faults.failStatus, {}, text(faults.failStatus));
    if (!faults.redirectTo.empty()) {
        std::string path;
        for (const auto& segment : segments) path += "/" + EscapeSegment(segment);
        return reply(302, {{"Location", faults.redirectTo + path}}, "");
    }
    const Package* package = m_catalog.Find(segments);
    if (!package) return reply(404, {}, text(404));

    const bool askedAsPackage = segments[0] == "packages";
    bool redirect = faults.redirect == RedirectMode::kAlways && !askedAsPackage;
    if (faults.redirect == RedirectMode::kOncePerPath) {
        // The address redirected to counts as redirected too, so the client lands there.
        std::lock_guard<std::mutex> lock(m_faultsMutex);
        const std::string asked = askedAsPackage ? package->PackagePath() : package->FilePath();
        const std::string other = askedAsPackage ? package->FilePath() : package->PackagePath();
        redirect = m_redirected.insert(asked).second;
        m_redirected.insert(other);
    }
    if (redirect) {
        const std::string location = BaseUrl() + (askedAsPackage ? package->FilePath() : package->PackagePath());
        return reply(302, {{"Location", location}}, "");
    }

    ByteRange range;
    int status = 200;
    if (!faults.ignoreRanges && request.HasHeader("range") && !request.HasHeader("if-range")) {
        // Without validators of our own an If-Range cannot match, so such a request gets it all.
        switch (ParseRange(request.Header("range"), package->size, range)) {
            case RangeStatus::kUnsatisfiable:
                return reply(416, {{"Content-Range", "bytes */" + std::to_string(package->size)}}, "");
            case RangeStatus::kPart:
                status = 206;
                break;
            case RangeStatus::kWhole:
                break;
        }
    }
    const std::uint64_t length = status == 206 ? range.Size() : package->size;
    if (status == 200) range.first = 0;
    HeaderList headers{{"Content-Type", "application/octet-stream"},
                       {"Accept-Ranges", faults.ignoreRanges ? "none" : "bytes"}};
    if (status == 206)
        headers.emplace_back("Content-Range", "bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) +
                                                  "/" + std::to_string(package->size));
    headers.emplace_back("Content-Length", std::to_string(length));
    headers.emplace_back("Connection", keepAlive ? "keep-alive" : "close");
    const std::string answer = ResponseHead(status, headers);
    logLine += " " + std::to_string(status);
    if (status == 206) logLine += " " + std::to_string(range.first) + "-" + std::to_string(range.last);
    if (!channel.SendAll(answer.data(), answer.size())) return false;
    if (head) return keepAlive;
    return SendBody(channel, *package, range.first, length, TakeBodyFaults(), pending, logLine) && keepAlive;
}

PackageServer::BodyFaults PackageServer::TakeBodyFaults() {
    std::lock_guard<std::mutex> lock(m_faultsMutex);
    BodyFaults body;
    body.wrongBody = m_faults.wrongBody;
    if (m_faults.cutAfter && (m_faults.cutFirst == 0 || m_cutsDone < m_faults.cutFirst)) {
        ++m_cutsDone;
        body.cutAfter = m_faults.cutAfter;
    }
    if (m_faults.stallAfter && (m_faults.stallFirst == 0 || m_stallsDone < m_faults.stallFirst)) {
        ++m_stallsDone;
        body.stallAfter = m_faults.stallAfter;
        body.stallMilliseconds = m_faults.stallMilliseconds;
    }
    return body;
}

bool PackageServer::SendBody(Channel& channel, const Package& package, std::uint64_t first, std::uint64_t length,
                             const BodyFaults& faults, std::string& pending, std::string& logLine) {
    BodyReader reader(package);
    auto buffer = std::make_unique<char[]>(kBlockSize);
    bool stalled = false;
    std::uint64_t sent = 0;
    while (sent < length) {
        if (faults.cutAfter && sent >= *faults.cutAfter) {
            logLine += " cut after " + std::to_string(sent);
            channel.Cut();
            return false;
        }
        if (faults.stallAfter && !stalled && sent >= *faults.stallAfter) {
            stalled = true;
            logLine += " stalled after " + std::to_string(sent);
            if (!Stall(channel, faults.stallMilliseconds, pending)) return false;
        }
        std::uint64_t wanted = std::min<std::uint64_t>(kBlockSize, length - sent);
        if (faults.cutAfter && *faults.cutAfter > sent) wanted = std::min(wanted, *faults.cutAfter - sent);
        if (faults.stallAfter && !stalled && *faults.stallAfter > sent) wanted = std::min(wanted, *faults.stallAfter - sent);
        const std::size_t got = reader.Read(first + sent, buffer.get(), static_cast<std::size_t>(wanted));
        if (got == 0) {
            // The file shrank since it was published: the client must not take it for whole.
            logLine += " unreadable after " + std::to_string(sent);
            return false;
        }
        if (faults.wrongBody)
            for (std::size_t i = 0; i < got; ++i) buffer[i] = static_cast<char>(~buffer[i]);
        if (!channel.SendAll(buffer.get(), got)) return false;
        sent += got;
    }
    return true;
}

bool PackageServer::Stall(Channel& channel, std::uint32_t milliseconds, std::string& pending) {
    const std::uint32_t start = platform::GetTickCount();
    char buffer[4096];
    while (!m_stopping) {
        if (milliseconds != 0 && platform::GetTickCount() - start >= milliseconds) return true;
        std::size_t got = 0;
        bool timedOut = false;
        if (channel.Receive(buffer, sizeof buffer, got, 50, timedOut)) {
            if (pending.size() < kLargestHead) pending.append(buffer, got);
        } else if (!timedOut) {
            return false;  // the client gave up
        }
    }
    return false;
}

void PackageServer::Log(const std::string& line) {
    if (!m_options.log) return;
    std::lock_guard<std::mutex> lock(m_logMutex);
    m_options.log(line);
}

}  // namespace pkgserve
