#pragma once
// Certificates for HTTPS tests, made when first asked for with the openssl tool: a certificate
// authority, a server certificate it signed for 127.0.0.1 and localhost, one it signed for
// another host name, and a self-signed one for 127.0.0.1 that no authority vouches for.
#include <string>
#include <vector>

namespace testing_support {

struct TestCertificates {
    std::string authority;  // the authority's certificate: what SSL_CERT_FILE names
    std::string serverCertificate, serverKey;
    std::string otherNameCertificate, otherNameKey;
    std::string selfSignedCertificate, selfSignedKey;

    // Made once per test program in a private folder; empty paths when openssl failed.
    static const TestCertificates& Get();
};

// Sets environment variables for its life and restores what they were. Only for a test's main
// thread while no worker that reads them runs.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    // An empty value removes the variable.
    void Set(const std::string& name, const std::string& value);

private:
    struct Saved {
        std::string name;
        bool present;
        std::string value;
    };
    std::vector<Saved> m_saved;
};

}  // namespace testing_support
