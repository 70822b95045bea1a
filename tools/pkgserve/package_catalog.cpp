#include "tools/pkgserve/package_catalog.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/message_digest.h"
#include "tools/pkgserve/http_exchange.h"

namespace pkgserve {
namespace {

constexpr std::size_t kPeriod = 65521;

const std::array<char, kPeriod>& SynthesisedPeriod() {
    static const std::array<char, kPeriod> period = [] {
        std::array<char, kPeriod> bytes{};
        std::uint32_t state = 0x2545F491u;
        for (auto& byte : bytes) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            byte = static_cast<char>(state >> 24);
        }
        return bytes;
    }();
    return period;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Length and digests of a package, read through once.
bool Measure(Package& package, std::string& error) {
    platform::MessageDigest md5(platform::DigestAlgorithm::kMd5);
    platform::MessageDigest sha256(platform::DigestAlgorithm::kSha256);
    if (!md5.IsValid() || !sha256.IsValid()) {
        error = "MD5 or SHA-256 is not available";
        return false;
    }
    BodyReader reader(package);
    auto buffer = std::make_unique<char[]>(kBlockSize);
    std::uint64_t offset = 0;
    const bool knownSize = package.Synthesised();
    while (true) {
        std::size_t wanted = kBlockSize;
        if (knownSize) wanted = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, package.size - offset));
        if (wanted == 0) break;
        const std::size_t got = reader.Read(offset, buffer.get(), wanted);
        if (got == 0) break;
        md5.Update(buffer.get(), got);
        sha256.Update(buffer.get(), got);
        offset += got;
    }
    if (!knownSize) {
        std::error_code code;
        const auto size = std::filesystem::file_size(package.filePath, code);
        if (code || size != offset) {
            error = "cannot read " + package.filePath;
            return false;
        }
        package.size = offset;
    }
    package.md5 = md5.FinishHex();
    package.sha256 = sha256.FinishHex();
    return true;
}

}  // namespace

std::string Package::PackagePath() const { return "/packages/" + md5 + "/" + EscapeSegment(name); }

std::string Package::Sha256Path() const { return "/packages/" + sha256 + "/" + EscapeSegment(name); }

std::string Package::FilePath() const { return "/files/" + EscapeSegment(name); }

void FillSynthesised(std::uint64_t offset, char* buffer, std::size_t size) {
    const auto& period = SynthesisedPeriod();
    std::size_t at = static_cast<std::size_t>(offset % kPeriod);
    while (size > 0) {
        const std::size_t run = std::min(size, kPeriod - at);
        std::memcpy(buffer, period.data() + at, run);
        buffer += run;
        size -= run;
        at = 0;
    }
}

bool PackageCatalog::AddFolder(const std::string& folder, std::string& error) {
    std::error_code code;
    std::vector<std::filesystem::path> files;
    for (std::filesystem::directory_iterator entry(folder, code), end; !code && entry != end; entry.increment(code)) {
        std::error_code statusCode;
        if (entry->symlink_status(statusCode).type() == std::filesystem::file_type::regular) files.push_back(entry->path());
    }
    if (code) {
        error = "cannot list " + folder + ": " + code.message();
        return false;
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        Package package;
        package.name = file.filename().string();
        package.filePath = file.string();
        if (!Measure(package, error) || !Add(std::move(package), error)) return false;
    }
    return true;
}

bool PackageCatalog::AddSynthesised(const std::string& name, std::uint64_t size, std::string& error) {
    if (name.empty() || name == "." || name == ".." || name.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos) {
        error = "not a file name: " + name;
        return false;
    }
    Package package;
    package.name = name;
    package.size = size;
    return Measure(package, error) && Add(std::move(package), error);
}

bool PackageCatalog::Add(Package package, std::string& error) {
    for (const auto& known : m_packages) {
        if (known.name == package.name) {
            error = "published twice: " + package.name;
            return false;
        }
    }
    m_packages.push_back(std::move(package));
    return true;
}

const Package* PackageCatalog::Find(const std::vector<std::string>& segments) const {
    for (const auto& package : m_packages) {
        if (segments.size() == 3 && segments[0] == "packages" &&
            (EqualIgnoringCase(segments[1], package.md5) || EqualIgnoringCase(segments[1], package.sha256)) &&
            segments[2] == package.name)
            return &package;
        if (segments.size() == 2 && segments[0] == "files" && segments[1] == package.name) return &package;
    }
    return nullptr;
}

BodyReader::BodyReader(const Package& package) : m_package(package) {
    if (!package.Synthesised()) m_file.open(package.filePath, std::ios::binary);
}

std::size_t BodyReader::Read(std::uint64_t offset, char* buffer, std::size_t size) {
    if (m_package.Synthesised()) {
        if (offset >= m_package.size) return 0;
        size = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_package.size - offset));
        FillSynthesised(offset, buffer, size);
        return size;
    }
    if (!m_file.is_open()) return 0;
    m_file.clear();
    if (!m_file.seekg(static_cast<std::streamoff>(offset))) return 0;
    m_file.read(buffer, static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(m_file.gcount());
}

}  // namespace pkgserve
