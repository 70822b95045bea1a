#pragma once
// The HTTP/1.1 pieces the package server needs: request heads, request targets, byte ranges and
// response heads. Pure functions over text, so the server's rules are tested without sockets.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pkgserve {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct Request {
    std::string method;
    std::string target;
    std::string version;
    HeaderList headers;  // names in lower case, values trimmed

    // The first value of the header (name in lower case), or empty text.
    std::string Header(std::string_view name) const;
    bool HasHeader(std::string_view name) const;
    // HTTP/1.1 keeps the connection unless told "close"; HTTP/1.0 only when told "keep-alive".
    bool KeepAlive() const;
};

enum class HeadStatus { kIncomplete, kComplete, kMalformed };

// Parses the head at the start of the bytes (CR LF or bare LF line ends). On kComplete,
// headLength is the number of bytes the head and its blank line take.
HeadStatus ParseRequestHead(std::string_view bytes, Request& request, std::size_t& headLength);

// The path of a request target as decoded segments ("/files/a%20b" gives "files", "a b"), query
// and fragment dropped; an absolute-form target ("http://host/x") gives the path of it. False for
// a target that is not a path, a malformed escape, or a segment that could leave the published
// tree: ".", "..", one holding "/", "\" or a zero byte once decoded.
bool DecodeTargetPath(std::string_view target, std::vector<std::string>& segments);

// Percent-escapes everything but the unreserved characters, for one path segment.
std::string EscapeSegment(std::string_view segment);

struct ByteRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;  // inclusive
    std::uint64_t Size() const { return last - first + 1; }
};

enum class RangeStatus { kWhole, kPart, kUnsatisfiable };

// A "Range" header value against a body of the length. One range of the "bytes" unit, written
// "a-b", "a-" or "-n", gives kPart; a range starting at or past the end (or "-0", or any range of
// an empty body) kUnsatisfiable; anything else (several ranges, another unit, "b-a", junk) is
// ignored and gives kWhole, as HTTP lets a server do.
RangeStatus ParseRange(std::string_view value, std::uint64_t length, ByteRange& range);

const char* ReasonPhrase(int status);
// "HTTP/1.1 <status> <reason>", the headers, and the blank line.
std::string ResponseHead(int status, const HeaderList& headers);

}  // namespace pkgserve
