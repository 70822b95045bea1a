#include "tests/support/test_certificates.h"

#include <cstdlib>
#include <fstream>

#include "tests/support/temp_folder.h"

namespace testing_support {
namespace {

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// A key and a certificate request, signed by the authority, for the names of the extension.
bool MakeSigned(const std::string& folder, const std::string& name, const std::string& names) {
    const std::string base = folder + "/" + name;
    std::ofstream(base + ".ext") << "subjectAltName=" << names
                                 << "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n";
    return Run("openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj /CN=" + name + " -keyout " +
               Quoted(base + ".key") + " -out " + Quoted(base + ".csr")) &&
           Run("openssl x509 -req -days 2 -in " + Quoted(base + ".csr") + " -CA " + Quoted(folder + "/ca.pem") +
               " -CAkey " + Quoted(folder + "/ca.key") + " -CAcreateserial -extfile " + Quoted(base + ".ext") +
               " -out " + Quoted(base + ".pem"));
}

TestCertificates Make(const std::string& folder) {
    const std::string newKey = "openssl req -x509 -days 2 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes ";
    const bool made =
        Run(newKey + "-subj '/CN=Kelvo Test Authority' -addext basicConstraints=critical,CA:TRUE "
                     "-addext keyUsage=critical,keyCertSign,cRLSign -keyout " +
            Quoted(folder + "/ca.key") + " -out " + Quoted(folder + "/ca.pem")) &&
        MakeSigned(folder, "server", "IP:127.0.0.1,DNS:localhost") &&
        MakeSigned(folder, "other", "DNS:elsewhere.invalid") &&
        Run(newKey + "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout " +
            Quoted(folder + "/self.key") + " -out " + Quoted(folder + "/self.pem"));
    if (!made) return {};
    return {folder + "/ca.pem",    folder + "/server.pem", folder + "/server.key", folder + "/other.pem",
            folder + "/other.key", folder + "/self.pem",   folder + "/self.key"};
}

}  // namespace

const TestCertificates& TestCertificates::Get() {
    // Kept until the program ends, with the folder that holds them.
    static const TempFolder folder;
    static const TestCertificates certificates = Make(folder.NativePath());
    return certificates;
}

}  // namespace testing_support
