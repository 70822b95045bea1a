#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <curl/curl.h>

#include <string>
#include <thread>
#include <vector>

namespace {

class CurlSmoke : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(curl_global_init(CURL_GLOBAL_ALL), CURLE_OK); }
    static void TearDownTestSuite() { curl_global_cleanup(); }
};

// A listening socket on 127.0.0.1 with a port of the system's choice.
SOCKET Listen(unsigned short& port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (s == INVALID_SOCKET) return s;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(s, 1) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

// Answers one request with `body`, on a thread of its own (winpthreads under std::thread).
class OneShotServer {
public:
    explicit OneShotServer(std::string body) : m_body(std::move(body)), m_socket(Listen(m_port)) {
        if (m_socket != INVALID_SOCKET) m_thread = std::thread([this] { Serve(); });
    }
    ~OneShotServer() {
        if (m_thread.joinable()) m_thread.join();
        closesocket(m_socket);
    }
    unsigned short port() const { return m_port; }
    bool listening() const { return m_socket != INVALID_SOCKET; }
    // What the client sent, once the server is done with it.
    const std::string& request() {
        if (m_thread.joinable()) m_thread.join();
        return m_request;
    }

private:
    void Serve() {
        // A client that never comes must not hold the test until CTest's timeout.
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(m_socket, &ready);
        timeval wait{30, 0};
        if (select(0, &ready, nullptr, nullptr, &wait) != 1) return;
        SOCKET client = accept(m_socket, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;
        char buffer[4096];
        while (m_request.find("\r\n\r\n") == std::string::npos) {
            int got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            m_request.append(buffer, static_cast<size_t>(got));
        }
        std::string response = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(m_body.size()) +
                               "\r\nConnection: close\r\n\r\n" + m_body;
        send(client, response.data(), static_cast<int>(response.size()), 0);
        closesocket(client);
    }

    std::string m_body;
    unsigned short m_port = 0;
    SOCKET m_socket;
    std::string m_request;
    std::thread m_thread;
};

size_t Append(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

CURLcode Get(const std::string& url, std::string& body) {
    CURL* curl = curl_easy_init();
    if (!curl) return CURLE_FAILED_INIT;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 20L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 60L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return result;
}

TEST_F(CurlSmoke, IsBuiltForHttpAndHttpsOverSchannelAlone) {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    ASSERT_NE(info, nullptr);
    ASSERT_NE(info->ssl_version, nullptr);
    EXPECT_THAT(info->ssl_version, testing::StartsWith("Schannel"));

    std::vector<std::string> protocols;
    for (const char* const* p = info->protocols; *p; ++p) protocols.emplace_back(*p);
    EXPECT_THAT(protocols, testing::UnorderedElementsAre("http", "https"));

    struct Feature {
        const char* name;
        int bit;
        bool wanted;
    };
    const Feature features[] = {
        {"SSL", CURL_VERSION_SSL, true},
        {"AsynchDNS (threaded resolver)", CURL_VERSION_ASYNCHDNS, true},
        {"threadsafe init", CURL_VERSION_THREADSAFE, true},
        {"libz", CURL_VERSION_LIBZ, false},
        {"brotli", CURL_VERSION_BROTLI, false},
        {"zstd", CURL_VERSION_ZSTD, false},
        {"HTTP/2", CURL_VERSION_HTTP2, false},
        {"IDN", CURL_VERSION_IDN, false},
        {"PSL", CURL_VERSION_PSL, false},
    };
    for (const Feature& f : features) EXPECT_EQ((info->features & f.bit) != 0, f.wanted) << f.name;
}

TEST_F(CurlSmoke, TransfersOverHttpAndRefusesOtherSchemes) {
    OneShotServer server("kelvo body\n");
    ASSERT_TRUE(server.listening()) << WSAGetLastError();
    // A port that was just free and is closed again: the connection is refused.
    unsigned short closedPort = 0;
    closesocket(Listen(closedPort));

    struct Case {
        std::string url;
        CURLcode expected;
        std::string body;
    };
    const Case cases[] = {
        {"http://127.0.0.1:" + std::to_string(server.port()) + "/packages/setup.exe", CURLE_OK, "kelvo body\n"},
        {"http://127.0.0.1:" + std::to_string(closedPort) + "/", CURLE_COULDNT_CONNECT, ""},
        {"ftp://127.0.0.1/setup.exe", CURLE_UNSUPPORTED_PROTOCOL, ""},
        {"file:///C:/windows/win.ini", CURLE_UNSUPPORTED_PROTOCOL, ""},
        {"ldap://127.0.0.1/", CURLE_UNSUPPORTED_PROTOCOL, ""},
        {"scp://127.0.0.1/x", CURLE_UNSUPPORTED_PROTOCOL, ""},
    };
    for (const Case& c : cases) {
        std::string body;
        EXPECT_EQ(Get(c.url, body), c.expected) << c.url;
        EXPECT_EQ(body, c.body) << c.url;
    }
    EXPECT_THAT(server.request(), testing::StartsWith("GET /packages/setup.exe HTTP/1.1\r\n"));
}

}  // namespace
