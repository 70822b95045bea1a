#pragma once
// What a package server publishes: the regular files of one folder and bodies made up on the
// spot, each with its length and its MD5 and SHA-256 digests, worked out once when it is added.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace pkgserve {

struct Package {
    std::string name;        // as published, in the file system's bytes (UTF-8)
    std::uint64_t size = 0;
    std::string md5;         // 32 lower-case hexadecimal digits
    std::string sha256;      // 64 lower-case hexadecimal digits
    std::string filePath;    // native path; empty for a synthesised body

    bool Synthesised() const { return filePath.empty(); }
    // "/packages/<md5>/<name>", the form installers verify against; the name escaped.
    std::string PackagePath() const;
    // "/packages/<sha256>/<name>": the same package under its SHA-256 digest.
    std::string Sha256Path() const;
    // "/files/<name>".
    std::string FilePath() const;
};

// The bytes of every synthesised body: a pseudo-random run whose period (65,521 bytes, a prime)
// divides no power of two, so a piece fetched at a wrong offset never passes for the right one.
void FillSynthesised(std::uint64_t offset, char* buffer, std::size_t size);

class PackageCatalog {
public:
    // Publishes every regular file directly in the folder (not below it, no symbolic links).
    // False, with the reason, when the folder cannot be listed or a file read.
    bool AddFolder(const std::string& folder, std::string& error);
    // Publishes a body of that many synthesised bytes under the name.
    bool AddSynthesised(const std::string& name, std::uint64_t size, std::string& error);

    const std::vector<Package>& Packages() const { return m_packages; }
    // The package a decoded request path names: "packages", either digest (either case), its name;
    // or "files", its name. Null for any other path.
    const Package* Find(const std::vector<std::string>& segments) const;

private:
    bool Add(Package package, std::string& error);

    std::vector<Package> m_packages;
};

// Reads a package's bytes from any offset; keeps its file open between reads.
class BodyReader {
public:
    explicit BodyReader(const Package& package);
    // Up to size bytes from the offset; fewer only at the end or when the file cannot be read.
    std::size_t Read(std::uint64_t offset, char* buffer, std::size_t size);

private:
    const Package& m_package;
    std::ifstream m_file;
};

// Block size of file reads and socket writes: large enough that the server is not what limits
// a transfer on loopback.
constexpr std::size_t kBlockSize = 256 * 1024;

}  // namespace pkgserve
