// The pkgserve program as scripts run it: what it prints, and its ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "platform/file_system.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "tests/pkgserve/raw_http_client.h"
#include "tests/support/temp_folder.h"
#include "utils/text.h"

namespace {

struct Program {
    platform::ProcessInfo process;
    platform::NativeHandle output = platform::kInvalidHandle;

    explicit Program(const std::vector<std::wstring>& arguments) {
        platform::NativeHandle writeEnd = platform::kInvalidHandle;
        EXPECT_TRUE(platform::CreatePipe(output, writeEnd));
        std::vector<std::wstring> argv{platform::PathFromNative(KELVO_PKGSERVE)};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::wstring error;
        EXPECT_TRUE(platform::SpawnProcess(argv, {platform::kInvalidHandle, writeEnd, platform::kInvalidHandle}, process,
                                           error))
            << Utils::WideToUtf8(error);
        platform::CloseHandle(writeEnd);
    }
    ~Program() { platform::CloseHandle(output); }

    // The first lines printed (fewer when the output ends).
    std::vector<std::string> Lines(std::size_t count) {
        std::string text;
        char buffer[4096];
        std::size_t got = 0;
        while (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) < count &&
               platform::ReadFile(output, buffer, sizeof buffer, got))
            text.append(buffer, got);
        std::vector<std::string> lines;
        std::istringstream stream(text);
        for (std::string line; std::getline(stream, line);) lines.push_back(line);
        return lines;
    }
};

TEST(PkgserveProgramTest, PrintsItsAddressAndPathsServesThemAndEndsCleanlyOnRequest) {
    testing_support::TempFolder folder;
    folder.WriteFile(L"setup.exe", "0123456789");
    Program program({L"--port", L"0", L"--synthesise", L"big.bin=2M", folder.Path()});
    const auto lines = program.Lines(5);
    ASSERT_EQ(lines.size(), 5u);
    ASSERT_EQ(lines[0].rfind("http://127.0.0.1:", 0), 0u) << lines[0];
    // md5 of "0123456789"
    EXPECT_EQ(lines[1], "/packages/781e5e245d69b566979b86e28d23f2c7/setup.exe");
    EXPECT_EQ(lines[2], "/files/setup.exe");
    EXPECT_EQ(lines[4], "/files/big.bin");

    const auto port = static_cast<std::uint16_t>(std::stoi(lines[0].substr(17)));
    pkgserve_testing::RawConnection connection(port);
    EXPECT_EQ(connection.Exchange("GET", lines[1]).body, "0123456789");
    EXPECT_EQ(connection.Exchange("HEAD", lines[3]).Header("Content-Length"), "2097152");

    // Ends on a termination request although a client still holds a connection.
    ASSERT_TRUE(platform::AskProcessToEnd(program.process));
    EXPECT_EQ(platform::WaitForProcess(program.process), 0u);
    EXPECT_TRUE(connection.EndedByServer());

    Program sha256({L"--digest", L"sha256", folder.Path()});
    const auto shaLines = sha256.Lines(2);
    ASSERT_GE(shaLines.size(), 2u);
    EXPECT_EQ(shaLines[1], "/packages/84d89877f0d4041efb6bf91a16f0248f2fd573e6af05c19f96bedb9f882f7882/setup.exe");
    ASSERT_TRUE(platform::AskProcessToEnd(sha256.process));
    EXPECT_EQ(platform::WaitForProcess(sha256.process), 0u);
}

TEST(PkgserveProgramTest, RefusesWhatItCannotServe) {
    const std::vector<std::vector<std::wstring>> cases = {
        {},
        {L"--cut-after", L"lots", L"."},
        {L"--redirect", L"sometimes", L"."},
        {L"--redirect-to", L"ftp://elsewhere", L"."},
        {L"--digest", L"sha1", L"."},
        {L"--tls", L"only-a-certificate"},
        {L"--fail", L"200", L"."},
        {L"--port", L"70000", L"."},
        {L"--synthesise", L"noSize"},
        {L"--bogus", L"."},
        {L".", L"two"},
    };
    for (const auto& arguments : cases) {
        Program program(arguments);
        EXPECT_EQ(platform::WaitForProcess(program.process), 2u) << (arguments.empty() ? "" : Utils::WideToUtf8(arguments[0]));
    }
    Program missing({L"/nonexistent/folder"});
    EXPECT_EQ(platform::WaitForProcess(missing.process), 1u);
    Program unusableCertificate({L"--tls", L"/nonexistent/cert.pem", L"/nonexistent/key.pem", L"."});
    EXPECT_EQ(platform::WaitForProcess(unusableCertificate.process), 1u);
}

}  // namespace
