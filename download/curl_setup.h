#pragma once
// What the two libcurl engines share besides platform/curl_transfer.h: the body of a probe they
// discard, and the retry cost of a result.
#include <cstddef>

namespace curl_setup {

std::size_t DiscardBody(char* data, std::size_t size, std::size_t count, void* user);

// A connection that broke mid-body resumes cheaply; anything else is likelier to persist.
int RetryCost(int result);

}  // namespace curl_setup
