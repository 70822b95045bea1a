#include <gtest/gtest.h>

#include <json/json.h>
#include <pugixml.hpp>
#include <stb_image.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

TEST(WindowsSmokeParsers, PugixmlReadsMarkupWithChineseText) {
    pugi::xml_document document;
    const char* markup =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<Window size=\"560,380\"><Button name=\"customeBtn\" text=\"自定义安装\"/></Window>";
    ASSERT_TRUE(document.load_string(markup));
    pugi::xml_node button = document.child("Window").child("Button");
    EXPECT_STREQ(button.attribute("name").value(), "customeBtn");
    EXPECT_STREQ(button.attribute("text").value(), "自定义安装");

    struct Case {
        const char* markup;
        pugi::xml_parse_status status;
    };
    const Case broken[] = {
        {"<Window><Button></Window>", pugi::status_end_element_mismatch},
        {"<Window size=\"1></Window>", pugi::status_bad_attribute},
        {"<Window>", pugi::status_end_element_mismatch},
    };
    for (const Case& c : broken) EXPECT_EQ(document.load_string(c.markup).status, c.status) << c.markup;
}

TEST(WindowsSmokeParsers, JsoncppReadsNestedValuesAndRejectsBrokenText) {
    const std::string text = R"({"language": "简体中文", "sizes": [1, 2, 3], "pace": {"ms": 800}})";
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    ASSERT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, &errors)) << errors;
    EXPECT_EQ(root["language"].asString(), "简体中文");
    EXPECT_EQ(root["sizes"].size(), 3u);
    EXPECT_EQ(root["sizes"][2].asInt(), 3);
    EXPECT_EQ(root["pace"]["ms"].asInt(), 800);

    for (const std::string& broken : std::vector<std::string>{"{", "{\"a\" 1}", "[1,,2]", "{\"a\": tru}"}) {
        Json::Value ignored;
        EXPECT_FALSE(reader->parse(broken.data(), broken.data() + broken.size(), &ignored, &errors))
            << broken;
    }
}

// A 2x2 24-bit BMP (rows bottom-up, each padded to 4 bytes): nothing to compress, so the
// expected pixels can be written here by hand.
std::vector<uint8_t> TwoByTwoBmp() {
    std::vector<uint8_t> bmp = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header: size 70, pixels at 54
        40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,             // info header: 2 x 2
        1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0,            // 1 plane, 24 bits, no compression
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        // bottom row: blue, green (B, G, R order), padding
        255, 0, 0, 0, 255, 0, 0, 0,
        // top row: red, white, padding
        0, 0, 255, 255, 255, 255, 0, 0,
    };
    return bmp;
}

TEST(WindowsSmokeParsers, StbDecodesPixelsAndRejectsWhatItCannotRead) {
    std::vector<uint8_t> bmp = TwoByTwoBmp();
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(bmp.data(), static_cast<int>(bmp.size()), &width, &height,
                                            &channels, 4);
    ASSERT_NE(pixels, nullptr) << stbi_failure_reason();
    std::vector<uint8_t> rgba(pixels, pixels + 16);
    stbi_image_free(pixels);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(rgba, (std::vector<uint8_t>{255, 0, 0, 255, 255, 255, 255, 255,   // top: red, white
                                          0, 0, 255, 255, 0, 255, 0, 255}));  // bottom: blue, green

    std::vector<uint8_t> runLength = bmp;
    runLength[30] = 1;  // RLE8, which the decoder does not take
    const std::vector<uint8_t> broken[] = {{}, {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}, runLength};
    for (const std::vector<uint8_t>& input : broken) {
        stbi_uc* none = stbi_load_from_memory(input.data(), static_cast<int>(input.size()), &width, &height,
                                              &channels, 4);
        EXPECT_EQ(none, nullptr) << input.size() << " bytes";
        stbi_image_free(none);
    }
}

}  // namespace
