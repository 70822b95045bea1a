// The server of a build without OpenSSL (Windows): it serves http only, and --tls says so.
#include "tools/pkgserve/channel.h"

namespace pkgserve {

struct TlsContext::Context {};

TlsContext::TlsContext() : m_context(std::make_unique<Context>()) {}
TlsContext::~TlsContext() = default;

bool TlsContext::Load(const std::string&, const std::string&, std::string& error) {
    error = "this build of pkgserve serves http only";
    return false;
}

std::unique_ptr<Channel> TlsContext::Accept(platform::NativeHandle) const { return nullptr; }

}  // namespace pkgserve
