#include <gtest/gtest.h>

#include "skinui/render/window_dump.h"
#include "tests/support/screen_dump.h"

using namespace SkinUI;
using testing_support::MakeWindowDump;
using testing_support::SetDumpField;

namespace {

// 3 x 2: odd widths give 24-bit lines a pad; the top bytes of the words must not leak into alpha.
const std::vector<std::uint32_t> kPixels{0x00102030, 0xAAFF0000, 0x0000FF00, 0x000000FF, 0x55FFFFFF, 0x00000000};

}  // namespace

TEST(WindowDump, DecodesTrueColourDumpsOfEitherByteOrderAndRefusesOthers) {
    std::vector<std::uint32_t> opaque;
    for (std::uint32_t pixel : kPixels) opaque.push_back(0xFF000000 | (pixel & 0xFFFFFF));
    const struct {
        const char* what;
        int bitsPerPixel;
        bool lsbFirst;
        void (*spoil)(std::string&);
        bool decodes;
    } cases[] = {
        {"32 bits, least significant byte first", 32, true, nullptr, true},
        {"32 bits, most significant byte first", 32, false, nullptr, true},
        {"24 bits, least significant byte first", 24, true, nullptr, true},
        {"24 bits, most significant byte first", 24, false, nullptr, true},
        {"cut inside the last line", 32, true, [](std::string& d) { d.pop_back(); }, false},
        {"cut inside the header", 32, true, [](std::string& d) { d.resize(60); }, false},
        {"red and blue swapped", 32, true, [](std::string& d) { SetDumpField(d, 14, 0xFF); SetDumpField(d, 16, 0xFF0000); }, false},
        {"XY format", 32, true, [](std::string& d) { SetDumpField(d, 2, 1); }, false},
        {"16 bits a pixel", 32, true, [](std::string& d) { SetDumpField(d, 11, 16); }, false},
        {"lines shorter than their pixels", 32, true, [](std::string& d) { SetDumpField(d, 12, 8); }, false},
        {"no lines at all", 32, true, [](std::string& d) { SetDumpField(d, 12, 0); }, false},
        {"a colour table past the end", 32, true, [](std::string& d) { SetDumpField(d, 19, 0xFFFFFFFF); }, false},
        {"a header past the end", 32, true, [](std::string& d) { SetDumpField(d, 0, 0xFFFFFFF0); }, false},
        {"more lines than the file holds", 32, true, [](std::string& d) { SetDumpField(d, 5, 3); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string dump = MakeWindowDump(3, kPixels, c.bitsPerPixel, c.lsbFirst);
        if (c.spoil) c.spoil(dump);
        const Bitmap picture = DecodeWindowDump(dump);
        if (!c.decodes) {
            EXPECT_TRUE(picture.IsEmpty());
            continue;
        }
        ASSERT_EQ(picture.Width(), 3);
        ASSERT_EQ(picture.Height(), 2);
        std::vector<std::uint32_t> decoded;
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) decoded.push_back(picture.At(x, y));
        }
        EXPECT_EQ(decoded, opaque);
    }
}
