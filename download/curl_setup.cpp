#include "download/curl_setup.h"

#include <curl/curl.h>

namespace curl_setup {

std::size_t DiscardBody(char*, std::size_t size, std::size_t count, void*) { return size * count; }

int RetryCost(int result) { return result == CURLE_PARTIAL_FILE ? 1 : 2; }

}  // namespace curl_setup
