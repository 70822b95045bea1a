// The three engines over HTTPS and through a proxy: certificates verified against the authority
// SSL_CERT_FILE names, no step down from https to http, and the proxy variables of each scheme.
#include <gtest/gtest.h>

#include <algorithm>

#include "download/create_downloader.h"
#include "download/curl_client.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "tests/download/download_test_support.h"
#include "tests/support/proxy_test_server.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_certificates.h"
#include "tools/pkgserve/package_server.h"
#include "utils/text.h"

namespace {

using download_test::Recorder;
using download_test::Report;
using testing_support::TestCertificates;

bool Succeeded(const std::vector<Report>& reports) {
    return std::any_of(reports.begin(), reports.end(), [](const Report& r) { return r.code == DL_CODE_SUCCESS; });
}

class SecureDownloadTest : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_FALSE(certificates.authority.empty()) << "openssl could not make the test certificates";
        environment.Set("SSL_CERT_FILE", certificates.authority);
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "no_proxy", "NO_PROXY",
                                 "all_proxy", "ALL_PROXY"})
            environment.Set(name, nullptr);
        platform::SetSleepDivisor(50);
        CurlClient::SetLimits({5, 1});
        package = download_test::Package(3 * download_test::kMebibyte + 4321);
        packages.WriteFile(L"kelvoKids_setup.exe", package);
    }
    void TearDown() override {
        platform::SetSleepDivisor(1);
        CurlClient::SetLimits({});
    }

    // `gets` receives the server's log line of each GET it answers.
    std::unique_ptr<pkgserve::PackageServer> Serve(const std::string& certificate, const std::string& key,
                                                   pkgserve::ServerFaults faults = {},
                                                   std::vector<std::string>* gets = nullptr) {
        pkgserve::PackageCatalog catalog;
        std::string error;
        EXPECT_TRUE(catalog.AddFolder(packages.NativePath(), error)) << error;
        pkgserve::ServerOptions options;
        options.certificateFile = certificate;
        options.keyFile = key;
        options.faults = std::move(faults);
        if (gets) {
            options.log = [this, gets](const std::string& line) {
                std::lock_guard<std::mutex> lock(logMutex);
                if (line.rfind("GET", 0) == 0) gets->push_back(line);
            };
        }
        auto server = std::make_unique<pkgserve::PackageServer>(std::move(catalog), options);
        EXPECT_TRUE(server->Start(error)) << error;
        return server;
    }

    std::string PackagePath(const pkgserve::PackageServer& server) const {
        return server.Catalog().Packages()[0].PackagePath();
    }

    // One download with the engine under test to its verdict; the downloader is gone on return.
    std::vector<Report> Download(const std::string& url) {
        platform::DeleteFile(target);
        Recorder recorder;
        {
            auto downloader = CreateDownloader(GetParam(), recorder.Callback(), Utils::Utf8ToWide(url), target);
            recorder.RestartWith(downloader.get());
            downloader->Start();
            recorder.WaitForVerdict();
        }
        return recorder.All();
    }

    void ExpectPackage(const std::vector<Report>& reports, bool arrived) {
        EXPECT_EQ(Succeeded(reports), arrived);
        EXPECT_EQ(reports.back().code, arrived ? DL_CODE_SUCCESS : DL_CODE_FAIL);
        EXPECT_EQ(platform::PathExists(target), arrived);
        if (arrived) {
            EXPECT_TRUE(platform::ReadWholeFile(target) == package);
        }
    }

    const TestCertificates& certificates = TestCertificates::Get();
    testing_support::ScopedEnvironment environment;
    testing_support::TempFolder packages;
    testing_support::TempFolder folder;
    const std::wstring target = folder.Join(L"__Package_kelvoKids.exe");
    std::string package;
    std::mutex logMutex;
};

TEST_P(SecureDownloadTest, CertificatesAreVerified) {
    struct Case {
        const char* name;
        std::string certificate, key;
        const char* host;
        bool arrives;
    };
    const Case cases[] = {
        {"signed for the address", certificates.serverCertificate, certificates.serverKey, "127.0.0.1", true},
        {"signed for the name", certificates.serverCertificate, certificates.serverKey, "localhost", true},
        {"signed for another host", certificates.otherNameCertificate, certificates.otherNameKey, "127.0.0.1", false},
        {"issued by no known authority", certificates.selfSignedCertificate, certificates.selfSignedKey, "127.0.0.1",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto server = Serve(c.certificate, c.key);
        const std::string url =
            "https://" + std::string(c.host) + ":" + std::to_string(server->Port()) + PackagePath(*server);
        ExpectPackage(Download(url), c.arrives);
    }
}

TEST_P(SecureDownloadTest, RedirectsFromHttpsLeadOnlyToHttps) {
    std::vector<std::string> plainGets;
    auto plain = Serve("", "", {}, &plainGets);
    auto secure = Serve(certificates.serverCertificate, certificates.serverKey);
    pkgserve::ServerFaults toPlain;
    toPlain.redirectTo = plain->BaseUrl();
    auto downgrading = Serve(certificates.serverCertificate, certificates.serverKey, toPlain);
    // The plain server publishes the same package under the same digest: only the refusal of
    // the step down keeps it from being taken.
    ExpectPackage(Download(downgrading->BaseUrl() + PackagePath(*downgrading)), false);
    {
        std::lock_guard<std::mutex> lock(logMutex);
        EXPECT_TRUE(plainGets.empty());
    }
    pkgserve::ServerFaults toSecure;
    toSecure.redirectTo = secure->BaseUrl();
    auto moving = Serve(certificates.serverCertificate, certificates.serverKey, toSecure);
    ExpectPackage(Download(moving->BaseUrl() + PackagePath(*moving)), true);
}

TEST_P(SecureDownloadTest, ProxyVariablesServeTheirSchemes) {
    auto plain = Serve("", "");
    auto secure = Serve(certificates.serverCertificate, certificates.serverKey);
    // Nothing listens on this port: only a proxy reaches the package.
    platform::LoopbackListener closed;
    ASSERT_TRUE(closed.Listen());
    const std::string unreachable = "127.0.0.1:" + std::to_string(closed.Port());
    closed.Close();
    struct Case {
        const char* name;
        bool https;
        const char* proxyVariable;
        const char* noProxy;
        bool arrives;
        const char* seenByProxy;
        const char* path = nullptr;  // the package's when null
    };
    const Case cases[] = {
        {"http through http_proxy", false, "http_proxy", "", true, "GET http://"},
        {"https tunnelled through https_proxy", true, "https_proxy", "", true, "CONNECT "},
        // The proxy's "200 Connection established" is no answer from the server.
        {"a missing file through the tunnel", true, "https_proxy", "", false, "CONNECT ", "/files/missing.exe"},
        {"https_proxy does not serve http", false, "https_proxy", "", false, nullptr},
        {"http_proxy does not serve https", true, "http_proxy", "", false, nullptr},
        {"no_proxy names the host", false, "http_proxy", "example.invalid,127.0.0.1", false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const pkgserve::PackageServer& server = c.https ? *secure : *plain;
        testing_support::ProxyTestServer proxy(server.Port());
        testing_support::ScopedEnvironment variables;
        variables.Set(c.proxyVariable, proxy.Url());
        variables.Set("no_proxy", c.noProxy);
        const std::string url = (c.https ? "https://" : "http://") + unreachable + (c.path ? c.path : PackagePath(server));
        ExpectPackage(Download(url), c.arrives);
        const auto lines = proxy.RequestLines();
        if (c.seenByProxy) {
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.back().rfind(c.seenByProxy, 0), 0u) << lines.back();
        } else {
            EXPECT_TRUE(lines.empty());
        }
    }
}

// libcurl single stream, WinHTTP, libcurl two parts.
INSTANTIATE_TEST_SUITE_P(Engines, SecureDownloadTest, testing::Values(1, 2, 3),
                         [](const testing::TestParamInfo<int>& info) {
                             return info.param == 2 ? "WinHttp" : info.param == 3 ? "TwoPartCurl" : "Curl";
                         });

}  // namespace
