#pragma once
// Certificates for HTTPS tests, made when first asked for with the openssl tool: a certificate
// authority, a server certificate it signed for 127.0.0.1 and localhost, one it signed for
// another host name, and a self-signed one for 127.0.0.1 that no authority vouches for.
#include <string>

namespace testing_support {

struct TestCertificates {
    std::string authority;  // the authority's certificate: what SSL_CERT_FILE names
    std::string serverCertificate, serverKey;
    std::string otherNameCertificate, otherNameKey;
    std::string selfSignedCertificate, selfSignedKey;

    // Made once per test program in a private folder; empty paths when openssl failed.
    static const TestCertificates& Get();
};

}  // namespace testing_support
