#include "platform/md5.h"

#include <openssl/evp.h>

namespace platform {

struct Md5::Context {
    EVP_MD* algorithm = nullptr;
    EVP_MD_CTX* context = nullptr;
};

Md5::Md5() : m_context(std::make_unique<Context>()) {
    m_context->algorithm = EVP_MD_fetch(nullptr, "MD5", nullptr);
    m_context->context = EVP_MD_CTX_new();
    if (!m_context->algorithm || !m_context->context ||
        EVP_DigestInit_ex(m_context->context, m_context->algorithm, nullptr) != 1) {
        EVP_MD_CTX_free(m_context->context);
        EVP_MD_free(m_context->algorithm);
        m_context->context = nullptr;
        m_context->algorithm = nullptr;
    }
}

Md5::~Md5() {
    EVP_MD_CTX_free(m_context->context);
    EVP_MD_free(m_context->algorithm);
}

bool Md5::IsValid() const { return m_context->context != nullptr; }

void Md5::Update(const void* data, std::size_t size) {
    if (IsValid()) EVP_DigestUpdate(m_context->context, data, size);
}

std::array<std::uint8_t, 16> Md5::Finish() {
    std::array<std::uint8_t, 16> digest{};
    unsigned int length = 0;
    if (IsValid()) EVP_DigestFinal_ex(m_context->context, digest.data(), &length);
    return digest;
}

std::string Md5::FinishHex() {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : Finish()) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

}  // namespace platform
