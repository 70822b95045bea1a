#pragma once
// The command line of pkgserve, read into the server's options.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/pkgserve/package_server.h"

namespace pkgserve {

struct CommandLine {
    std::string folder;  // empty: only synthesised bodies
    std::vector<std::pair<std::string, std::uint64_t>> synthesised;
    ServerOptions server;
    bool verbose = false;
    bool help = false;
    // The digest the printed package paths carry; both are always served.
    bool sha256Paths = false;
};

extern const char* const kUsage;

// False with the reason for anything it does not understand.
bool ParseCommandLine(const std::vector<std::string>& arguments, CommandLine& commandLine, std::string& error);

// A size in bytes: decimal digits, optionally followed by K, M or G (binary multiples).
bool ParseSize(const std::string& text, std::uint64_t& size);

}  // namespace pkgserve
