// The package server as an HTTP peer: what it publishes, how it answers, and each fault.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/download/download_test_support.h"
#include "tests/pkgserve/raw_http_client.h"
#include "tests/support/temp_folder.h"
#include "platform/file_system.h"
#include "platform/message_digest.h"
#include "tools/pkgserve/package_server.h"

namespace {

using download_test::DigestHex;
using pkgserve::PackageCatalog;
using pkgserve::PackageServer;
using pkgserve::RedirectMode;
using pkgserve::ServerFaults;
using pkgserve_testing::RawConnection;
using pkgserve_testing::RawResponse;

class PackageServerTest : public testing::Test {
protected:
    void SetUp() override {
        body = download_test::Package(100000);
        folder.WriteFile(L"a.bin", body);
        folder.WriteFile(L"b c.exe", "tiny");
        platform::CreateFolder(folder.Join(L"sub"));
        folder.WriteFile(L"sub/hidden.bin", "not published");
        PackageCatalog catalog;
        std::string error;
        ASSERT_TRUE(catalog.AddFolder(folder.NativePath(), error)) << error;
        ASSERT_TRUE(catalog.AddSynthesised("made.bin", 200000, error)) << error;
        server = std::make_unique<PackageServer>(std::move(catalog), pkgserve::ServerOptions{});
        ASSERT_TRUE(server->Start(error)) << error;
        packagePath = "/packages/" + DigestHex(body) + "/a.bin";
    }

    RawResponse Get(const std::string& path, const std::string& headers = "") {
        RawConnection connection(server->Port());
        return connection.Exchange("GET", path, headers);
    }

    static std::string Complement(std::string bytes) {
        for (auto& byte : bytes) byte = static_cast<char>(~byte);
        return bytes;
    }

    testing_support::TempFolder folder;
    std::string body;
    std::string packagePath;
    std::unique_ptr<PackageServer> server;
};

TEST_F(PackageServerTest, PublishesRegularFilesOfTheFolderAndSynthesisedBodies) {
    const auto& packages = server->Catalog().Packages();
    ASSERT_EQ(packages.size(), 3u);
    EXPECT_EQ(packages[0].name, "a.bin");
    EXPECT_EQ(packages[0].PackagePath(), packagePath);
    EXPECT_EQ(packages[1].FilePath(), "/files/b%20c.exe");
    EXPECT_EQ(packages[2].name, "made.bin");
    std::string made(200000, '\0');
    pkgserve::FillSynthesised(0, made.data(), made.size());
    EXPECT_EQ(packages[2].md5, DigestHex(made));
    EXPECT_EQ(packages[0].Sha256Path(), "/packages/" + DigestHex(body, platform::DigestAlgorithm::kSha256) + "/a.bin");
    EXPECT_EQ(Get(packages[0].Sha256Path()).body, body);
    // Synthesised bytes do not depend on how they are asked for.
    std::string piece(70000, '\0');
    pkgserve::FillSynthesised(65000, piece.data(), piece.size());
    EXPECT_EQ(piece, made.substr(65000, 70000));

    PackageCatalog catalog;
    std::string error;
    EXPECT_FALSE(catalog.AddFolder(folder.NativePath() + "/missing", error));
    EXPECT_TRUE(catalog.AddSynthesised("x", 1, error));
    for (const char* name : {"x", "", "..", "a/b"}) EXPECT_FALSE(catalog.AddSynthesised(name, 1, error)) << name;
}

TEST_F(PackageServerTest, OneKeptConnectionServesHeadBodiesRangesAndMisses) {
    RawConnection connection(server->Port());
    RawResponse head = connection.Exchange("HEAD", packagePath);
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.Header("Content-Length"), "100000");
    EXPECT_EQ(head.Header("Accept-Ranges"), "bytes");

    EXPECT_EQ(connection.Exchange("GET", packagePath).body, body);
    std::string upper = packagePath;
    std::transform(upper.begin() + 10, upper.begin() + 42, upper.begin() + 10, ::toupper);
    EXPECT_EQ(connection.Exchange("GET", upper).body, body);
    EXPECT_EQ(connection.Exchange("GET", "/files/b%20c.exe").body, "tiny");

    struct Case {
        const char* range;
        int status;
        const char* contentRange;
        std::size_t first, size;
    };
    const Case cases[] = {
        {"bytes=10-19", 206, "bytes 10-19/100000", 10, 10},
        {"bytes=99990-", 206, "bytes 99990-99999/100000", 99990, 10},
        {"bytes=-3", 206, "bytes 99997-99999/100000", 99997, 3},
        {"bytes=5-4", 200, "", 0, 100000},
        {"bytes=100000-", 416, "bytes */100000", 0, 0},
    };
    for (const Case& c : cases) {
        RawResponse part = connection.Exchange("GET", packagePath, std::string("Range: ") + c.range + "\r\n");
        EXPECT_EQ(part.status, c.status) << c.range;
        EXPECT_EQ(part.Header("Content-Range"), c.contentRange) << c.range;
        EXPECT_EQ(part.body, body.substr(c.first, c.size)) << c.range;
    }
    // A range with If-Range cannot be checked against a validator: the whole body.
    EXPECT_EQ(connection.Exchange("GET", packagePath, "Range: bytes=0-1\r\nIf-Range: \"x\"\r\n").status, 200);

    for (const char* missing : {"/files/sub", "/files/hidden.bin", "/packages/00000000000000000000000000000000/a.bin",
                                "/a.bin", "/files/a.bin/x"})
        EXPECT_EQ(connection.Exchange("GET", missing).status, 404) << missing;
    EXPECT_EQ(connection.Exchange("DELETE", packagePath).status, 405);
    EXPECT_EQ(connection.Exchange("GET", "/files/a.bin", "Connection: close\r\n").body, body);
    EXPECT_TRUE(connection.EndedByServer());
}

TEST_F(PackageServerTest, PathsLeavingThePublishedTreeAndMalformedRequestsAreRefused) {
    for (const char* path : {"/files/../a.bin", "/files/%2e%2e/a.bin", "/files/sub%2Fhidden.bin", "/files/..%5Ca.bin",
                             "/packages/../files/a.bin"})
        EXPECT_EQ(Get(path).status, 400) << path;

    RawConnection connection(server->Port());
    connection.Send("NONSENSE\r\n\r\n");
    EXPECT_EQ(connection.Read().status, 400);
    EXPECT_TRUE(connection.EndedByServer());
}

TEST_F(PackageServerTest, CutsDropTheConnectionMidBodyForTheFirstRequestsAsked) {
    ServerFaults faults;
    faults.cutAfter = 1000;
    faults.cutFirst = 2;
    server->SetFaults(faults);
    RawConnection connection(server->Port());
    EXPECT_EQ(connection.Exchange("HEAD", packagePath).status, 200);  // probes are not cut
    RawResponse cut = connection.Exchange("GET", packagePath);
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ(cut.body, body.substr(0, 1000));
    EXPECT_TRUE(connection.EndedByServer());
    // The cut counts bytes of the answer, whichever range it carries.
    RawResponse part = Get(packagePath, "Range: bytes=50000-\r\n");
    EXPECT_EQ(part.status, 206);
    EXPECT_EQ(part.body, body.substr(50000, 1000));
    EXPECT_TRUE(Get(packagePath).complete);

    faults.cutFirst = 0;
    faults.cutAfter = 0;
    server->SetFaults(faults);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Get(packagePath).body, "");
}

TEST_F(PackageServerTest, IgnoredRangesGiveTheWholeBody) {
    ServerFaults faults;
    faults.ignoreRanges = true;
    server->SetFaults(faults);
    RawResponse whole = Get(packagePath, "Range: bytes=10-19\r\n");
    EXPECT_EQ(whole.status, 200);
    EXPECT_EQ(whole.Header("Accept-Ranges"), "none");
    EXPECT_EQ(whole.body, body);
}

TEST_F(PackageServerTest, StallPausesTheBodyThenGoesOnOrHoldsUntilTheServerStops) {
    ServerFaults faults;
    faults.stallAfter = 100;
    faults.stallMilliseconds = 200;
    server->SetFaults(faults);
    RawResponse paused = Get(packagePath, "Range: bytes=10-\r\n");
    EXPECT_TRUE(paused.complete);
    EXPECT_EQ(paused.body, body.substr(10));

    faults.stallMilliseconds = 0;
    server->SetFaults(faults);
    RawConnection connection(server->Port());
    connection.Send("GET " + packagePath + " HTTP/1.1\r\n\r\n");
    const std::string received = connection.ReadRaw(1);
    std::string all = received;
    while (all.find("\r\n\r\n") == std::string::npos || all.size() - all.find("\r\n\r\n") - 4 < 100)
        all += connection.ReadRaw(1);
    EXPECT_EQ(all.substr(all.find("\r\n\r\n") + 4), body.substr(0, 100));
    // Stop ends the held connection instead of waiting for the client.
    server->Stop();
    EXPECT_TRUE(connection.EndedByServer());
}

TEST_F(PackageServerTest, FailuresAnswerEveryRequestOrOnlyTheDownloads) {
    ServerFaults faults;
    faults.failStatus = 500;
    server->SetFaults(faults);
    RawConnection connection(server->Port());
    EXPECT_EQ(connection.Exchange("HEAD", packagePath).status, 500);
    EXPECT_EQ(connection.Exchange("GET", packagePath).status, 500);

    faults.failStatus = 404;
    faults.failOnlyGet = true;
    server->SetFaults(faults);
    RawResponse probe = connection.Exchange("HEAD", packagePath);
    EXPECT_EQ(probe.status, 200);
    EXPECT_EQ(probe.Header("Content-Length"), "100000");
    EXPECT_EQ(connection.Exchange("GET", packagePath).status, 404);
}

TEST_F(PackageServerTest, WrongBodyKeepsTheLengthAndChangesEveryByte) {
    ServerFaults faults;
    faults.wrongBody = true;
    server->SetFaults(faults);
    EXPECT_EQ(Get(packagePath).body, Complement(body));
    EXPECT_EQ(Get(packagePath, "Range: bytes=10-19\r\n").body, Complement(body.substr(10, 10)));
}

TEST_F(PackageServerTest, RedirectsLeadToTheOtherFormOfThePath) {
    const std::string base = server->BaseUrl();
    ServerFaults faults;
    faults.redirect = RedirectMode::kOncePerPath;
    server->SetFaults(faults);
    RawConnection connection(server->Port());
    RawResponse first = connection.Exchange("HEAD", packagePath);
    EXPECT_EQ(first.status, 302);
    EXPECT_EQ(first.Header("Location"), base + "/files/a.bin");
    EXPECT_EQ(connection.Exchange("HEAD", "/files/a.bin").status, 200);  // where the client lands
    EXPECT_EQ(connection.Exchange("GET", packagePath).body, body);
    RawResponse other = connection.Exchange("GET", "/files/b%20c.exe");
    EXPECT_EQ(other.Header("Location"), base + server->Catalog().Packages()[1].PackagePath());

    faults.redirect = RedirectMode::kAlways;
    server->SetFaults(faults);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(connection.Exchange("GET", "/files/a.bin").Header("Location"), base + packagePath);
    EXPECT_EQ(connection.Exchange("GET", packagePath).body, body);

    // Elsewhere: the same target at another base, whatever is asked.
    faults.redirect = RedirectMode::kNone;
    faults.redirectTo = "http://127.0.0.1:9";
    server->SetFaults(faults);
    EXPECT_EQ(connection.Exchange("GET", "/files/b%20c.exe?x=1").Header("Location"), "http://127.0.0.1:9/files/b%20c.exe");
    EXPECT_EQ(connection.Exchange("HEAD", "/nothing/here").Header("Location"), "http://127.0.0.1:9/nothing/here");
}

}  // namespace
