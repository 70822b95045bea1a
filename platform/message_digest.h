#pragma once
// Message digests through the system's cryptographic library. Package addresses have always
// carried MD5 digests; SHA-256 is the one to publish new packages under.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

enum class DigestAlgorithm { kMd5, kSha256 };

class MessageDigest {
public:
    explicit MessageDigest(DigestAlgorithm algorithm);
    ~MessageDigest();
    MessageDigest(const MessageDigest&) = delete;
    MessageDigest& operator=(const MessageDigest&) = delete;

    bool IsValid() const;
    void Update(const void* data, std::size_t size);
    std::vector<std::uint8_t> Finish();
    // The digest as lower-case hex digits (32 for MD5, 64 for SHA-256), the form package
    // addresses carry.
    std::string FinishHex();

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};

}  // namespace platform
