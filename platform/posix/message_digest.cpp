#include "platform/message_digest.h"

#include <openssl/evp.h>

namespace platform {

struct MessageDigest::Context {
    EVP_MD* algorithm = nullptr;
    EVP_MD_CTX* context = nullptr;
};

MessageDigest::MessageDigest(DigestAlgorithm algorithm) : m_context(std::make_unique<Context>()) {
    m_context->algorithm = EVP_MD_fetch(nullptr, algorithm == DigestAlgorithm::kSha256 ? "SHA256" : "MD5", nullptr);
    m_context->context = EVP_MD_CTX_new();
    if (!m_context->algorithm || !m_context->context ||
        EVP_DigestInit_ex(m_context->context, m_context->algorithm, nullptr) != 1) {
        EVP_MD_CTX_free(m_context->context);
        EVP_MD_free(m_context->algorithm);
        m_context->context = nullptr;
        m_context->algorithm = nullptr;
    }
}

MessageDigest::~MessageDigest() {
    EVP_MD_CTX_free(m_context->context);
    EVP_MD_free(m_context->algorithm);
}

bool MessageDigest::IsValid() const { return m_context->context != nullptr; }

void MessageDigest::Update(const void* data, std::size_t size) {
    if (IsValid()) EVP_DigestUpdate(m_context->context, data, size);
}

std::vector<std::uint8_t> MessageDigest::Finish() {
    if (!IsValid()) return {};
    std::vector<std::uint8_t> digest(static_cast<std::size_t>(EVP_MD_get_size(m_context->algorithm)));
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context->context, digest.data(), &length);
    digest.resize(length);
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
