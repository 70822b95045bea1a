// pkgserve: publishes a folder of packages over HTTP on 127.0.0.1 until interrupted.
#include <cstdio>

#include "platform/process.h"
#include "platform/program_entry.h"
#include "platform/termination_signal.h"
#include "tools/pkgserve/package_server.h"
#include "tools/pkgserve/server_command_line.h"

namespace {

int Main(int argc, char** argv) {
    // Before any thread exists, so that every thread leaves the requests to the wait below.
    platform::HoldTerminationRequests();
    platform::PrepareProcess();

    pkgserve::CommandLine commandLine;
    std::string error;
    if (!pkgserve::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), commandLine, error)) {
        std::fprintf(stderr, "pkgserve: %s\n%s", error.c_str(), pkgserve::kUsage);
        return 2;
    }
    if (commandLine.help) {
        std::fputs(pkgserve::kUsage, stdout);
        return 0;
    }

    pkgserve::PackageCatalog catalog;
    if (!commandLine.folder.empty() && !catalog.AddFolder(commandLine.folder, error)) {
        std::fprintf(stderr, "pkgserve: %s\n", error.c_str());
        return 1;
    }
    for (const auto& [name, size] : commandLine.synthesised) {
        if (!catalog.AddSynthesised(name, size, error)) {
            std::fprintf(stderr, "pkgserve: %s\n", error.c_str());
            return 1;
        }
    }
    if (commandLine.verbose) {
        commandLine.server.log = [](const std::string& line) {
            std::fprintf(stderr, "pkgserve: %s\n", line.c_str());
            std::fflush(stderr);
        };
    }

    pkgserve::PackageServer server(std::move(catalog), commandLine.server);
    if (!server.Start(error)) {
        std::fprintf(stderr, "pkgserve: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", server.BaseUrl().c_str());
    for (const auto& package : server.Catalog().Packages())
        std::printf("%s\n%s\n", (commandLine.sha256Paths ? package.Sha256Path() : package.PackagePath()).c_str(),
                    package.FilePath().c_str());
    std::fflush(stdout);

    const int request = platform::WaitForTerminationRequest();
    if (commandLine.verbose) std::fprintf(stderr, "pkgserve: stopping on signal %d\n", request);
    server.Stop();
    return 0;
}

}  // namespace

KELVO_PROGRAM_ENTRY(Main)
