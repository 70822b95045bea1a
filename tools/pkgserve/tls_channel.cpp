// The server's TLS: OpenSSL through a pair of memory buffers over the loopback socket.
#include "tools/pkgserve/channel.h"

#include <algorithm>

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace pkgserve {
namespace {

constexpr std::size_t kBufferPairBytes = 512 * 1024;
constexpr std::uint32_t kHandshakePollMilliseconds = 100;
constexpr int kHandshakePolls = 100;

class Tls : public Channel {
public:
    Tls(SSL* ssl, BIO* network, platform::NativeHandle handle) : m_ssl(ssl), m_network(network), m_handle(handle) {}
    ~Tls() override {
        SSL_free(m_ssl);  // frees the inner end of the pair
        BIO_free(m_network);
    }

    bool Handshake() {
        for (int polls = 0; polls < kHandshakePolls;) {
            ERR_clear_error();
            const int done = SSL_accept(m_ssl);
            if (!Flush()) return false;
            if (done == 1) return true;
            if (SSL_get_error(m_ssl, done) != SSL_ERROR_WANT_READ) return false;
            bool timedOut = false;
            if (!Fill(kHandshakePollMilliseconds, timedOut)) {
                if (!timedOut) return false;
                ++polls;
            }
        }
        return false;
    }

    bool SendAll(const void* data, std::size_t size) override {
        const char* bytes = static_cast<const char*>(data);
        while (size > 0) {
            const int chunk = static_cast<int>(std::min<std::size_t>(size, 64 * 1024));
            ERR_clear_error();
            const int written = SSL_write(m_ssl, bytes, chunk);
            if (written <= 0) {
                if (SSL_get_error(m_ssl, written) != SSL_ERROR_WANT_WRITE || !Flush()) return false;
                continue;
            }
            bytes += written;
            size -= static_cast<std::size_t>(written);
            if (!Flush()) return false;
        }
        return true;
    }

    bool Receive(void* buffer, std::size_t size, std::size_t& bytesRead, std::uint32_t timeoutMilliseconds,
                 bool& timedOut) override {
        bytesRead = 0;
        timedOut = false;
        for (;;) {
            ERR_clear_error();
            const int got = SSL_read(m_ssl, buffer, static_cast<int>(std::min<std::size_t>(size, 1 << 30)));
            if (got > 0) {
                bytesRead = static_cast<std::size_t>(got);
                return true;
            }
            if (SSL_get_error(m_ssl, got) != SSL_ERROR_WANT_READ) return false;
            if (!Flush() || !Fill(timeoutMilliseconds, timedOut)) return false;
        }
    }

    void Cut() override { platform::ShutdownConnection(m_handle); }

private:
    // Sends what TLS has written to the pair.
    bool Flush() {
        char bytes[16 * 1024];
        while (BIO_ctrl_pending(m_network) > 0) {
            const int got = BIO_read(m_network, bytes, sizeof bytes);
            if (got <= 0 || !platform::SendAll(m_handle, bytes, static_cast<std::size_t>(got))) return false;
        }
        return true;
    }

    // Hands what the client sent to TLS.
    bool Fill(std::uint32_t timeoutMilliseconds, bool& timedOut) {
        char bytes[16 * 1024];
        const std::size_t room = BIO_ctrl_get_write_guarantee(m_network);
        std::size_t got = 0;
        if (!platform::Receive(m_handle, bytes, std::min(room, sizeof bytes), got, timeoutMilliseconds, timedOut))
            return false;
        return BIO_write(m_network, bytes, static_cast<int>(got)) == static_cast<int>(got);
    }

    SSL* m_ssl;
    BIO* m_network;
    platform::NativeHandle m_handle;
};

}  // namespace

struct TlsContext::Context {
    SSL_CTX* context = nullptr;
};

TlsContext::TlsContext() : m_context(std::make_unique<Context>()) {}

TlsContext::~TlsContext() { SSL_CTX_free(m_context->context); }

bool TlsContext::Load(const std::string& certificateFile, const std::string& keyFile, std::string& error) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (!context || SSL_CTX_use_certificate_chain_file(context, certificateFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, keyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context) != 1) {
        char reason[256];
        ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
        error = "cannot use " + certificateFile + " and " + keyFile + ": " + reason;
        SSL_CTX_free(context);
        return false;
    }
    SSL_CTX_free(m_context->context);
    m_context->context = context;
    return true;
}

std::unique_ptr<Channel> TlsContext::Accept(platform::NativeHandle handle) const {
    if (!m_context->context) return nullptr;
    SSL* ssl = SSL_new(m_context->context);
    BIO* inner = nullptr;
    BIO* network = nullptr;
    if (!ssl || BIO_new_bio_pair(&inner, kBufferPairBytes, &network, kBufferPairBytes) != 1) {
        SSL_free(ssl);
        return nullptr;
    }
    SSL_set_bio(ssl, inner, inner);
    auto channel = std::make_unique<Tls>(ssl, network, handle);
    if (!channel->Handshake()) return nullptr;
    return channel;
}

}  // namespace pkgserve
