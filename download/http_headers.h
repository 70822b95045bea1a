#pragma once
// Values picked out of HTTP response headers. A server decides how long they are, so they are
// found by a plain scan (never a backtracking matcher) and what is kept of them is bounded.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace http_headers {

// The values of every header line of that name (any case) in raw headers (the status line,
// then one header per line, CR LF or LF), blanks around them removed, each cut to `limit`
// characters, at most `most` of them.
std::vector<std::wstring> Values(std::wstring_view headers, std::wstring_view name, std::size_t limit,
                                 std::size_t most = 64);
std::optional<std::wstring> FirstValue(std::wstring_view headers, std::wstring_view name, std::size_t limit);

// The charset a Content-Type header names ("text/html; charset=UTF-8" gives "UTF-8"): letters,
// digits, "-" and "_", at most 64 of them; empty when none is named.
std::wstring CharsetOf(std::wstring_view headers);

// A Content-Length value: decimal digits only, within 64 bits.
std::optional<std::uint64_t> ParseLength(std::wstring_view value);

// "bytes first-last/length" or "bytes first-last/*".
struct ContentRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    std::optional<std::uint64_t> length;
};
std::optional<ContentRange> ParseContentRange(std::string_view value);

}  // namespace http_headers
