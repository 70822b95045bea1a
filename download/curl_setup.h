#pragma once
// What the two libcurl engines share: the library's start, the retry cost of a result, and the
// transport security every request of theirs gets.
#include <cstddef>
#include <string>

#include <curl/curl.h>

namespace curl_setup {

void InitialiseLibrary();

std::size_t DiscardBody(char* data, std::size_t size, std::size_t count, void* user);

// A connection that broke mid-body resumes cheaply; anything else is likelier to persist.
int RetryCost(int result);

// Peer and host verification stay at libcurl's defaults (on). The bundle named by SSL_CERT_FILE
// (and the folder named by SSL_CERT_DIR), when set, is the one trusted, as OpenSSL programs do:
// that is how an administrator adds a company's certificate authority. A request that starts
// over https follows redirects to https only: the digest is read from the final address, so a
// step down to http would let anyone on the way choose the package and its digest together.
CURLcode SetTransportSecurity(CURL* handle, const std::string& url);

}  // namespace curl_setup
