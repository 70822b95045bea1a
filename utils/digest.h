#pragma once
// GUID and MD5 texts.
#include <string>

namespace Utils {

// 32 hexadecimal digits: the first two groups and the last eight bytes in upper case, the third
// group in lower case; no dashes, no braces.
std::wstring CreateGuidString();

// 32 lower-case hexadecimal digits; empty text for an empty path or a file that cannot be read.
std::string GetFileMd5(const std::string& path);

// The path segment before the last one ("/files/0123abcd/setup.exe" gives "0123abcd"); empty
// text when the URL has fewer than two "/". Query and fragment are not stripped.
std::string GetMd5FromUrl(const std::string& url);

}  // namespace Utils
