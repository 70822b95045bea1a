#include "download/curl_setup.h"

#include <cstdlib>
#include <mutex>

namespace curl_setup {

void InitialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::size_t DiscardBody(char*, std::size_t size, std::size_t count, void*) { return size * count; }

int RetryCost(int result) { return result == CURLE_PARTIAL_FILE ? 1 : 2; }

CURLcode SetTransportSecurity(CURL* handle, const std::string& url) {
    int result = CURLE_OK;
    if (const char* bundle = std::getenv("SSL_CERT_FILE"); bundle && *bundle)
        result |= curl_easy_setopt(handle, CURLOPT_CAINFO, bundle);
    if (const char* folder = std::getenv("SSL_CERT_DIR"); folder && *folder)
        result |= curl_easy_setopt(handle, CURLOPT_CAPATH, folder);
    const bool secure = url.size() >= 8 && curl_strnequal(url.c_str(), "https://", 8);
    const bool plain = url.size() >= 7 && curl_strnequal(url.c_str(), "http://", 7);
    if (secure || plain) result |= curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    return static_cast<CURLcode>(result);
}

}  // namespace curl_setup
