#pragma once
// GUID and digest texts.
#include <atomic>
#include <optional>
#include <string>

#include "platform/file_reader.h"
#include "platform/message_digest.h"

namespace Utils {

// 32 hexadecimal digits: the first two groups and the last eight bytes in upper case, the third
// group in lower case; no dashes, no braces.
std::wstring CreateGuidString();

// The file's digest in lower-case hexadecimal digits; empty text for an empty path, a file that
// cannot be read, or a read given up because `cancel` was set.
std::string GetFileDigest(const std::string& path, platform::DigestAlgorithm algorithm,
                          const std::atomic<bool>* cancel = nullptr);
// 32 lower-case hexadecimal digits, as GetFileDigest.
std::string GetFileMd5(const std::string& path);
// The digest of a file already open, read from its start through that opening; empty text when a
// read fails.
std::string GetOpenFileDigest(platform::FileReader& file, platform::DigestAlgorithm algorithm);

// The path segment before the last one ("/files/0123abcd/setup.exe" gives "0123abcd"); empty
// text when the URL has fewer than two "/". Query and fragment are not stripped.
std::string GetMd5FromUrl(const std::string& url);

// What a package address's digest segment is checked with: any 32 characters are an MD5 digest
// (as addresses have always been read), 64 hexadecimal digits a SHA-256 digest; anything else is
// no digest. The comparison stays exact, so digits in upper case never match.
std::optional<platform::DigestAlgorithm> DigestAlgorithmOf(const std::string& digest);

}  // namespace Utils
