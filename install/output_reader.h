#pragma once
// The setup program's standard output, read as key=value lines. Its bytes arrive in reads of any
// size: they are gathered into whole lines first (a line or a character split across two reads
// is joined again), each line is decoded in the code page the program chose, and the runner's
// key table turns it into reports. Lines end at a line feed in the code page's own unit: two
// bytes for UTF-16, as Windows programs write it, four for UTF-32, one byte otherwise.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace PackageOutput {

// Results of a line or a read: nothing decided, the program stated success, or failure.
constexpr int kNoResult = 0;
constexpr int kSuccessResult = 1;
constexpr int kFailureResult = 1000;

// Text values are delivered with at most this many characters.
constexpr std::size_t kMaxTextChars = 771;

// True when the line begins with the key (exactly, case-sensitively); value is the rest.
bool MatchKey(const std::wstring& line, const wchar_t* key, std::wstring& value);
// "%lf": leading blanks skipped, one optional sign, the longest number prefix; 0 when there is
// none or it is not a finite number.
double NumberValue(const std::wstring& value);
// "%d": leading blanks skipped, one optional sign and digits; 0 when there are none or the
// number does not fit 32 bits.
std::int32_t IntegerValue(const std::wstring& value);
// The value cut to kMaxTextChars.
std::wstring TextValue(const std::wstring& value);
// Decodes one line. Bytes that are not valid in the code page do not cost the line: its ASCII
// bytes are kept and every other byte becomes U+FFFD, so a key is still recognised.
std::wstring DecodeLine(const std::string& bytes, std::uint32_t codePage);

class Reader {
public:
    // Longest line kept; the rest of a longer line is dropped up to its line feed.
    static constexpr std::size_t kMaxLineBytes = 8192;

    // The parser gets each decoded line, whether it decoded cleanly (bytes the code page rejects
    // are U+FFFD otherwise), and returns its result.
    using LineParser = std::function<int(const std::wstring& line, bool decodedCleanly)>;

    explicit Reader(LineParser parser);

    // Parses every line these bytes complete. Returns the result of the first line that had one
    // (later lines are parsed all the same), or kNoResult.
    int Feed(const char* bytes, std::size_t size);
    // End of the output: parses the text after the last line feed as a line.
    int Finish();
    // Forgets a partial line; the code page is kept.
    void Reset();

    // 0 is the system's ANSI code page; the parser changes it on an "Encode=" line, which
    // applies to the lines after it.
    std::uint32_t codePage = 0;

private:
    int ParseLine();

    LineParser m_parser;
    std::string m_line;
    char m_unit[4] = {};  // the bytes of a character unit not yet complete
    std::size_t m_unitSize = 0;
    bool m_dropping = false;  // past a zero byte or the length limit, until the line feed
    bool m_cut = false;
};

}  // namespace PackageOutput
