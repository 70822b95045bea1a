// The three download engines against the package server, faults switched on: what the engines
// meet in the field, over kept-alive connections and real ranges, over HTTPS and through proxies.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "download/create_downloader.h"
#include "download/curl_client.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "tests/download/download_test_support.h"
#include "tests/support/log_capture.h"
#include "tests/support/proxy_test_server.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_certificates.h"
#include "tools/pkgserve/package_server.h"
#include "utils/digest.h"
#include "utils/text.h"

namespace {

using download_test::Recorder;
using download_test::Report;
using pkgserve::RedirectMode;
using pkgserve::ServerFaults;

// Reports from the first digest note or end on, progress left out: the verdicts of each run.
std::vector<std::int32_t> Verdicts(const std::vector<Report>& reports) {
    std::vector<std::int32_t> codes;
    for (const auto& report : reports)
        if (report.code >= DL_CODE_SUCCESS) codes.push_back(report.code);
    return codes;
}

class EngineDownloadTest : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        platform::SetSleepDivisor(50);
        CurlClient::SetLimits({5, 1});
        package = download_test::Package(3 * download_test::kMebibyte + 12345);
        packages.WriteFile(L"kelvoKids_setup.exe", package);
        server = Serve({});
    }
    void TearDown() override {
        platform::SetSleepDivisor(1);
        CurlClient::SetLimits({});
    }

    // A started server of the package folder.
    std::unique_ptr<pkgserve::PackageServer> Serve(pkgserve::ServerOptions options) {
        pkgserve::PackageCatalog catalog;
        std::string error;
        EXPECT_TRUE(catalog.AddFolder(packages.NativePath(), error)) << error;
        auto started = std::make_unique<pkgserve::PackageServer>(std::move(catalog), std::move(options));
        EXPECT_TRUE(started->Start(error)) << error;
        return started;
    }

    std::wstring Url(const std::string& path) const { return Utils::Utf8ToWide(server->BaseUrl() + path); }
    std::wstring PackageUrl() const { return Url(server->Catalog().Packages()[0].PackagePath()); }

    // Runs one download into a fresh target with the engine under test, restarts answered as the
    // installation job answers them, until it has ended that many times; the downloader is
    // joined before return.
    std::vector<Report> Download(const std::wstring& url, int ends, std::string* checkedDigest = nullptr) {
        platform::RemoveFile(target);
        Recorder recorder;
        {
            auto downloader = CreateDownloader(GetParam(), recorder.Callback(), url, target);
            recorder.RestartWith(downloader.get());
            downloader->Start();
            recorder.WaitForEnds(ends);
            if (checkedDigest) *checkedDigest = downloader->CheckedDigest();
        }
        return recorder.All();
    }

    testing_support::TempFolder packages;
    testing_support::TempFolder folder;
    const std::wstring target = folder.Join(L"__Package_kelvoKids.exe");
    std::string package;
    std::unique_ptr<pkgserve::PackageServer> server;
};

// Under its MD5 address and under its SHA-256 address.
TEST_P(EngineDownloadTest, PublishedPackageArrivesVerified) {
    const pkgserve::Package& published = server->Catalog().Packages()[0];
    for (const std::string& path : {published.PackagePath(), published.Sha256Path()}) {
        SCOPED_TRACE(path);
        std::string checked;
        const auto reports = Download(Url(path), 1, &checked);
        EXPECT_EQ(reports.front().code, DL_CODE_START);
        EXPECT_EQ(Verdicts(reports), (std::vector<std::int32_t>{DL_CODE_SUCCESS}));
        EXPECT_TRUE(testing_support::ReadFile(target) == package);
        // What the package runner checks again before it runs the package.
        EXPECT_EQ(checked, Utils::GetMd5FromUrl(path));
    }
}

// Every engine speaks http and https only: any other address fails at once, asks nothing of
// anyone, names the scheme in the log and leaves nothing behind.
TEST_P(EngineDownloadTest, OtherSchemesFailAtOnce) {
    const std::wstring local = packages.Join(L"kelvoKids_setup.exe");
    auto requests = std::make_shared<std::atomic<int>>(0);
    pkgserve::ServerOptions options;
    options.log = [requests](const std::string&) { ++*requests; };
    server = Serve(std::move(options));
    const std::string port = std::to_string(server->Port());
    const struct {
        std::wstring url;
        const wchar_t* scheme;
    } cases[] = {
        {L"file://" + local, L"file"},
        {Utils::Utf8ToWide("ftp://127.0.0.1:" + port + "/packages/x/setup.exe"), L"ftp"},
        {Utils::Utf8ToWide("dict://127.0.0.1:" + port + "/d:x"), L"dict"},
        {L"smb://127.0.0.1/share/setup.exe", L"smb"},
        {Utils::Utf8ToWide("telnet://127.0.0.1:" + port), L"telnet"},
        {L"127.0.0.1/packages/setup.exe", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::WideToUtf8(c.url));
        testing_support::LogCapture log;
        const auto reports = Download(c.url, 1);
        EXPECT_EQ(Verdicts(reports), (std::vector<std::int32_t>{DL_CODE_FAIL}));
        EXPECT_EQ(requests->load(), 0);
        EXPECT_FALSE(log.LinesWith(L"refused address scheme \"" + std::wstring(c.scheme) + L"\"").empty());
        EXPECT_FALSE(platform::PathExists(target));
    }
}

TEST_P(EngineDownloadTest, CutConnectionsAreResumedToSuccess) {
    ServerFaults faults;
    faults.cutAfter = 700000;
    faults.cutFirst = 3;
    server->SetFaults(faults);
    const auto reports = Download(PackageUrl(), 1);
    EXPECT_EQ(Verdicts(reports), (std::vector<std::int32_t>{DL_CODE_SUCCESS}));
    EXPECT_TRUE(testing_support::ReadFile(target) == package);
}

// A server that stops honouring ranges after a cut answers the resumption with the whole file:
// the kept bytes go and the package is fetched anew within the same budget, and the check judges
// the new file, not the bytes digested from the old one while it arrived.
TEST_P(EngineDownloadTest, ResumptionAnsweredWholeStartsOver) {
    ServerFaults faults;
    faults.cutAfter = 700000;
    faults.ignoreRanges = true;
    for (int cuts : {1, 0}) {  // the first answer cut, then every answer: the budget still ends it
        SCOPED_TRACE(cuts);
        faults.cutFirst = cuts;
        server->SetFaults(faults);
        const bool arrives = cuts == 1;
        const auto reports = Download(PackageUrl(), !arrives && GetParam() == 3 ? 2 : 1);
        EXPECT_EQ(Verdicts(reports).back(), arrives ? DL_CODE_SUCCESS : DL_CODE_FAIL);
        EXPECT_EQ(testing_support::ReadFile(target) == package, arrives);
    }
}

// The note names the digest the address carries.
TEST_P(EngineDownloadTest, WrongBodyIsRefutedRestartedOnceThenGivenUp) {
    ServerFaults faults;
    faults.wrongBody = true;
    server->SetFaults(faults);
    const pkgserve::Package& published = server->Catalog().Packages()[0];
    const std::wstring engine = GetParam() == 3 ? L"mtcurl" : L"curl";
    const std::pair<std::string, std::wstring> addresses[] = {{published.PackagePath(), L"md5"},
                                                               {published.Sha256Path(), L"sha256"}};
    for (const auto& [path, digest] : addresses) {
        SCOPED_TRACE(path);
        const auto reports = Download(Url(path), 2);
        EXPECT_EQ(Verdicts(reports),
                  (std::vector<std::int32_t>{DL_CODE_MD5, DL_CODE_RETRY, DL_CODE_MD5, DL_CODE_FAIL}));
        for (const auto& report : reports) {
            if (report.code == DL_CODE_MD5) {
                EXPECT_EQ(report.text, engine + L"文件" + digest + L"校验失败");
            }
        }
        EXPECT_EQ(reports.back().value, 0.0);
        EXPECT_FALSE(platform::PathExists(target));
    }
}

TEST_P(EngineDownloadTest, RedirectToTheDigestAddressIsFollowedAndVerified) {
    ServerFaults faults;
    faults.redirect = RedirectMode::kOncePerPath;
    server->SetFaults(faults);
    // Asked without a digest, the package is verified by the address it is redirected to.
    const auto reports = Download(Url("/files/kelvoKids_setup.exe"), 1);
    EXPECT_EQ(Verdicts(reports), (std::vector<std::int32_t>{DL_CODE_SUCCESS}));
    EXPECT_TRUE(testing_support::ReadFile(target) == package);

    // A wrong body behind the same redirect shows that the digest was really checked.
    faults.wrongBody = true;
    faults.redirect = RedirectMode::kAlways;
    server->SetFaults(faults);
    EXPECT_EQ(Verdicts(Download(Url("/files/kelvoKids_setup.exe"), 2)),
              (std::vector<std::int32_t>{DL_CODE_MD5, DL_CODE_RETRY, DL_CODE_MD5, DL_CODE_FAIL}));
}

TEST_P(EngineDownloadTest, DownloadsRefusedWhileProbesSucceedEndInFailure) {
    ServerFaults faults;
    faults.failStatus = 500;
    faults.failOnlyGet = true;
    server->SetFaults(faults);
    // The two-part engine asks for its one restart first.
    const auto reports = Download(PackageUrl(), GetParam() == 3 ? 2 : 1);
    EXPECT_EQ(Verdicts(reports).back(), DL_CODE_FAIL);
    EXPECT_TRUE(std::none_of(reports.begin(), reports.end(), [](const Report& r) { return r.code == DL_CODE_SUCCESS; }));
    EXPECT_FALSE(platform::PathExists(target));
}

// Over HTTPS and through proxies: certificates verified against the authority SSL_CERT_FILE
// names, no step down from https to http, and the proxy variables of each scheme.
class SecureDownloadTest : public EngineDownloadTest {
protected:
    void SetUp() override {
        ASSERT_FALSE(certificates.authority.empty()) << "openssl could not make the test certificates";
        environment.Set("SSL_CERT_FILE", certificates.authority);
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "no_proxy", "NO_PROXY",
                                 "all_proxy", "ALL_PROXY"})
            environment.Set(name, nullptr);
        EngineDownloadTest::SetUp();
    }

    // `gets` receives the server's log line of each GET it answers.
    std::unique_ptr<pkgserve::PackageServer> Serve(const std::string& certificate, const std::string& key,
                                                   pkgserve::ServerFaults faults = {},
                                                   std::vector<std::string>* gets = nullptr) {
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
        return EngineDownloadTest::Serve(std::move(options));
    }

    static std::string PackagePath(const pkgserve::PackageServer& server) {
        return server.Catalog().Packages()[0].PackagePath();
    }

    std::vector<Report> Download(const std::string& url) { return EngineDownloadTest::Download(Utils::Utf8ToWide(url), 1); }

    void ExpectPackage(const std::vector<Report>& reports, bool arrived) {
        EXPECT_EQ(std::count_if(reports.begin(), reports.end(), [](const Report& r) { return r.code == DL_CODE_SUCCESS; }),
                  arrived ? 1 : 0);
        EXPECT_EQ(reports.back().code, arrived ? DL_CODE_SUCCESS : DL_CODE_FAIL);
        EXPECT_EQ(platform::PathExists(target), arrived);
        if (arrived) {
            EXPECT_TRUE(testing_support::ReadFile(target) == package);
        }
    }

    const testing_support::TestCertificates& certificates = testing_support::TestCertificates::Get();
    testing_support::ScopedEnvironment environment;
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
std::string EngineName(const testing::TestParamInfo<int>& info) {
    return info.param == 2 ? "WinHttp" : info.param == 3 ? "TwoPartCurl" : "Curl";
}
INSTANTIATE_TEST_SUITE_P(Engines, EngineDownloadTest, testing::Values(1, 2, 3), EngineName);
INSTANTIATE_TEST_SUITE_P(Engines, SecureDownloadTest, testing::Values(1, 2, 3), EngineName);

class SynthesisedDownloadTest : public testing::Test {
protected:
    void SetUp() override { platform::SetSleepDivisor(50); }
    void TearDown() override {
        platform::SetSleepDivisor(1);
        CurlClient::SetLimits({});
    }

    // Serves one synthesised body with the faults and downloads it with the engine; the
    // server's log lines for GET requests are kept.
    std::vector<Report> Download(int engine, std::uint64_t size, const ServerFaults& faults) {
        pkgserve::PackageCatalog catalog;
        std::string error;
        EXPECT_TRUE(catalog.AddSynthesised("kelvoKids_setup.exe", size, error));
        pkgserve::ServerOptions options;
        options.faults = faults;
        options.log = [this](const std::string& line) {
            if (line.rfind("GET", 0) == 0) gets.push_back(line.substr(line.find(' ', 4) + 1));
        };
        pkgserve::PackageServer server(std::move(catalog), options);
        EXPECT_TRUE(server.Start(error));
        Recorder recorder;
        {
            const auto url = Utils::Utf8ToWide(server.BaseUrl() + server.Catalog().Packages()[0].PackagePath());
            auto downloader = CreateDownloader(engine, recorder.Callback(), url, target);
            recorder.RestartWith(downloader.get());
            downloader->Start();
            recorder.WaitForEnds(1);
        }
        server.Stop();
        std::sort(gets.begin(), gets.end());
        return recorder.All();
    }

    bool TargetIsSynthesised(std::uint64_t size) const {
        std::string expected(size, '\0');
        pkgserve::FillSynthesised(0, expected.data(), expected.size());
        return testing_support::ReadFile(target) == expected;
    }

    testing_support::TempFolder folder;
    const std::wstring target = folder.Join(L"__Package_kelvoKids.exe");
    std::vector<std::string> gets;
};

TEST_F(SynthesisedDownloadTest, TwoPartEngineSplitsAtTwentyMebibytes) {
    const std::vector<std::pair<std::uint64_t, std::vector<std::string>>> cases = {
        {20971519, {"206 0-20971518"}},
        {20971520, {"206 0-10485759", "206 10485760-20971519"}},
        {31457281, {"206 0-15728639", "206 15728640-31457280"}},
    };
    for (const auto& [size, ranges] : cases) {
        gets.clear();
        EXPECT_EQ(Verdicts(Download(3, size, {})), (std::vector<std::int32_t>{DL_CODE_SUCCESS})) << size;
        EXPECT_EQ(gets, ranges) << size;
        EXPECT_TRUE(TargetIsSynthesised(size)) << size;
    }
}

TEST_F(SynthesisedDownloadTest, StalledStreamTimesOutAndIsFetchedAgain) {
    // Stalled before its first body byte: libcurl's speed over its last seconds is 0 at once,
    // so the shortened limit ends the transfer after one second.
    CurlClient::SetLimits({5, 1});
    ServerFaults faults;
    faults.stallAfter = 0;
    faults.stallFirst = 1;
    const auto reports = Download(1, 2500000, faults);
    EXPECT_EQ(Verdicts(reports), (std::vector<std::int32_t>{DL_CODE_SUCCESS}));
    EXPECT_EQ(gets, (std::vector<std::string>{"200", "200 stalled after 0"}));
    EXPECT_TRUE(TargetIsSynthesised(2500000));
}

}  // namespace
