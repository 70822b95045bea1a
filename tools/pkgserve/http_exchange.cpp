#include "tools/pkgserve/http_exchange.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace pkgserve {
namespace {

char LowerChar(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerChar);
    return lower;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Whether a comma-separated header value holds the token (case-insensitive).
bool HasToken(std::string_view value, std::string_view token) {
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        if (Lower(Trim(value.substr(0, comma))) == token) return true;
        if (comma == std::string_view::npos) break;
        value.remove_prefix(comma + 1);
    }
    return false;
}

bool IsTokenChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

// A run of decimal digits that fits 64 bits; false for anything else, the empty text included.
bool ParseNumber(std::string_view digits, std::uint64_t& number) {
    if (digits.empty()) return false;
    number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (number > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return false;
        number = number * 10 + digit;
    }
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string Request::Header(std::string_view name) const {
    for (const auto& [key, value] : headers)
        if (key == name) return value;
    return {};
}

bool Request::HasHeader(std::string_view name) const {
    return std::any_of(headers.begin(), headers.end(), [&](const auto& header) { return header.first == name; });
}

bool Request::KeepAlive() const {
    const std::string connection = Header("connection");
    if (version == "HTTP/1.1") return !HasToken(connection, "close");
    return HasToken(connection, "keep-alive");
}

HeadStatus ParseRequestHead(std::string_view bytes, Request& request, std::size_t& headLength) {
    // Blank lines before a request are tolerated, as HTTP asks of servers.
    std::size_t at = 0;
    while (at < bytes.size() && (bytes[at] == '\r' || bytes[at] == '\n')) ++at;
    std::vector<std::string_view> lines;
    while (true) {
        const std::size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos) return HeadStatus::kIncomplete;
        std::string_view line = bytes.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        at = end + 1;
        if (line.empty()) break;
        lines.push_back(line);
    }
    headLength = at;

    request = Request{};
    const std::string_view first = lines.front();
    const std::size_t space1 = first.find(' ');
    const std::size_t space2 = first.rfind(' ');
    if (space1 == std::string_view::npos || space1 == space2) return HeadStatus::kMalformed;
    request.method = std::string(first.substr(0, space1));
    request.target = std::string(first.substr(space1 + 1, space2 - space1 - 1));
    request.version = std::string(first.substr(space2 + 1));
    if (request.method.empty() || !std::all_of(request.method.begin(), request.method.end(), IsTokenChar) ||
        request.target.empty() || request.target.find(' ') != std::string::npos ||
        (request.version != "HTTP/1.1" && request.version != "HTTP/1.0"))
        return HeadStatus::kMalformed;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::size_t colon = line.find(':');
        // Folded continuation lines are obsolete; a server may refuse them.
        if (colon == std::string_view::npos || colon == 0 || line.front() == ' ' || line.front() == '\t')
            return HeadStatus::kMalformed;
        const std::string_view name = line.substr(0, colon);
        if (!std::all_of(name.begin(), name.end(), IsTokenChar)) return HeadStatus::kMalformed;
        request.headers.emplace_back(Lower(name), std::string(Trim(line.substr(colon + 1))));
    }
    return HeadStatus::kComplete;
}

bool DecodeTargetPath(std::string_view target, std::vector<std::string>& segments) {
    segments.clear();
    const std::size_t scheme = target.find("://");
    if (scheme != std::string_view::npos && target.front() != '/') {
        const std::string_view rest = target.substr(scheme + 3);
        const std::size_t slash = rest.find('/');
        target = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);
    }
    target = target.substr(0, target.find_first_of("?#"));
    if (target.empty() || target.front() != '/') return false;
    target.remove_prefix(1);
    while (true) {
        const std::size_t slash = target.find('/');
        const std::string_view raw = target.substr(0, slash);
        std::string segment;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '%') {
                segment += raw[i];
                continue;
            }
            if (i + 2 >= raw.size()) return false;
            const int h = HexValue(raw[i + 1]);
            const int l = HexValue(raw[i + 2]);
            if (h < 0 || l < 0) return false;
            segment += static_cast<char>(h * 16 + l);
            i += 2;
        }
        if (segment == "." || segment == ".." || segment.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos)
            return false;
        segments.push_back(std::move(segment));
        if (slash == std::string_view::npos) break;
        target.remove_prefix(slash + 1);
    }
    return true;
}

std::string EscapeSegment(std::string_view segment) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string escaped;
    for (char c : segment) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            escaped += c;
        } else {
            escaped += '%';
            escaped += kDigits[byte >> 4];
            escaped += kDigits[byte & 15];
        }
    }
    return escaped;
}

RangeStatus ParseRange(std::string_view value, std::uint64_t length, ByteRange& range) {
    value = Trim(value);
    if (value.size() < 6 || Lower(value.substr(0, 6)) != "bytes=") return RangeStatus::kWhole;
    value = Trim(value.substr(6));
    if (value.find(',') != std::string_view::npos) return RangeStatus::kWhole;
    const std::size_t dash = value.find('-');
    if (dash == std::string_view::npos) return RangeStatus::kWhole;
    const std::string_view from = Trim(value.substr(0, dash));
    const std::string_view to = Trim(value.substr(dash + 1));
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    if (from.empty()) {
        // "-n": the last n bytes.
        if (!ParseNumber(to, last)) return RangeStatus::kWhole;
        if (last == 0 || length == 0) return RangeStatus::kUnsatisfiable;
        range.first = length - std::min(last, length);
        range.last = length - 1;
        return RangeStatus::kPart;
    }
    if (!ParseNumber(from, first)) return RangeStatus::kWhole;
    if (to.empty()) {
        last = std::numeric_limits<std::uint64_t>::max();
    } else if (!ParseNumber(to, last) || last < first) {
        return RangeStatus::kWhole;
    }
    if (first >= length) return RangeStatus::kUnsatisfiable;
    range.first = first;
    range.last = std::min(last, length - 1);
    return RangeStatus::kPart;
}

const char* ReasonPhrase(int status) {
    switch (status) {
        case 200: return "OK";
        case 206: return "Partial Content";
        case 301: return "Moved Permanently";
        case 302: return "Found";
        case 400: return "Bad Request";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 416: return "Range Not Satisfiable";
        case 431: return "Request Header Fields Too Large";
        case 500: return "Internal Server Error";
        case 501: return "Not Implemented";
        case 503: return "Service Unavailable";
        default: return status >= 500 ? "Server Error" : status >= 400 ? "Client Error" : "Status";
    }
}

std::string ResponseHead(int status, const HeaderList& headers) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
    for (const auto& [name, value] : headers) head += name + ": " + value + "\r\n";
    head += "\r\n";
    return head;
}

}  // namespace pkgserve
