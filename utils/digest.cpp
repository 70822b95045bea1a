#include "utils/digest.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/random.h"

namespace Utils {

std::wstring CreateGuidString() {
    platform::Guid guid;
    platform::CreateGuid(guid);
    wchar_t buffer[50];
    std::swprintf(buffer, 50, L"%08X%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X", guid.data1,
                  guid.data2, guid.data3, guid.data4[0], guid.data4[1], guid.data4[2],
                  guid.data4[3], guid.data4[4], guid.data4[5], guid.data4[6], guid.data4[7]);
    return buffer;
}

std::string GetFileDigest(const std::string& path, platform::DigestAlgorithm algorithm,
                          const std::atomic<bool>* cancel) {
    if (path.empty()) return {};
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) return {};
    platform::MessageDigest digest(algorithm);
    if (!digest.IsValid()) return {};
    // Large blocks: the digest of a big package is on the user's wait between download and
    // installation.
    std::vector<unsigned char> block(1 << 16);
    while (std::size_t got = std::fread(block.data(), 1, block.size(), file.get())) {
        if (cancel && *cancel) return {};
        digest.Update(block.data(), got);
    }
    if (std::ferror(file.get())) return {};
    return digest.FinishHex();
}

std::string GetOpenFileDigest(platform::FileReader& file, platform::DigestAlgorithm algorithm) {
    platform::MessageDigest digest(algorithm);
    if (!file.IsOpen() || !digest.IsValid()) return {};
    std::vector<unsigned char> block(1 << 20);
    std::uint64_t offset = 0;
    while (true) {
        const long long got = file.ReadAt(offset, block.data(), block.size());
        if (got < 0) return {};
        if (got == 0) return digest.FinishHex();
        digest.Update(block.data(), static_cast<std::size_t>(got));
        offset += static_cast<std::uint64_t>(got);
    }
}

std::string GetFileMd5(const std::string& path) { return GetFileDigest(path, platform::DigestAlgorithm::kMd5); }

std::string GetMd5FromUrl(const std::string& url) {
    std::size_t last = url.rfind('/');
    if (last == std::string::npos || last == 0) return {};
    std::size_t before = url.rfind('/', last - 1);
    if (before == std::string::npos) return {};
    return url.substr(before + 1, last - before - 1);
}

std::optional<platform::DigestAlgorithm> DigestAlgorithmOf(const std::string& digest) {
    if (digest.size() == 32) return platform::DigestAlgorithm::kMd5;
    if (digest.size() == 64 && digest.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos)
        return platform::DigestAlgorithm::kSha256;
    return std::nullopt;
}

}  // namespace Utils
