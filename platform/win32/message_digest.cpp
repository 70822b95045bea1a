// Placeholder, replaced by win-net: MD5 and SHA-256 through BCrypt's plain hash objects, the
// least the engines' digest checks need.
#include "platform/message_digest.h"

#include <windows.h>
#include <bcrypt.h>

namespace platform {

struct MessageDigest::Context {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ULONG size = 0;
};

MessageDigest::MessageDigest(DigestAlgorithm algorithm) : m_context(std::make_unique<Context>()) {
    const wchar_t* name = algorithm == DigestAlgorithm::kSha256 ? BCRYPT_SHA256_ALGORITHM : BCRYPT_MD5_ALGORITHM;
    ULONG got = 0;
    if (BCryptOpenAlgorithmProvider(&m_context->algorithm, name, nullptr, 0) != 0 ||
        BCryptGetProperty(m_context->algorithm, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&m_context->size),
                          sizeof m_context->size, &got, 0) != 0 ||
        BCryptCreateHash(m_context->algorithm, &m_context->hash, nullptr, 0, nullptr, 0, 0) != 0) {
        if (m_context->algorithm) BCryptCloseAlgorithmProvider(m_context->algorithm, 0);
        m_context->algorithm = nullptr;
        m_context->hash = nullptr;
    }
}

MessageDigest::~MessageDigest() {
    if (m_context->hash) BCryptDestroyHash(m_context->hash);
    if (m_context->algorithm) BCryptCloseAlgorithmProvider(m_context->algorithm, 0);
}

bool MessageDigest::IsValid() const { return m_context->hash != nullptr; }

void MessageDigest::Update(const void* data, std::size_t size) {
    auto bytes = static_cast<const unsigned char*>(data);
    while (IsValid() && size > 0) {
        const ULONG chunk = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
        BCryptHashData(m_context->hash, const_cast<PUCHAR>(bytes), chunk, 0);
        bytes += chunk;
        size -= chunk;
    }
}

std::vector<std::uint8_t> MessageDigest::Finish() {
    if (!IsValid()) return {};
    std::vector<std::uint8_t> digest(m_context->size);
    if (BCryptFinishHash(m_context->hash, digest.data(), m_context->size, 0) != 0) digest.clear();
    BCryptDestroyHash(m_context->hash);
    m_context->hash = nullptr;
    return digest;
}

std::string MessageDigest::FinishHex() {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : Finish()) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

}  // namespace platform
