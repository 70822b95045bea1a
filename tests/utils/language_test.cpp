// The language tables, the user's language from the locale variables, and the reading of
// "language.json" (including what a damaged file must not do).
#include <gtest/gtest.h>

#include <map>

#include "platform/ui_language.h"
#include "tests/support/temp_folder.h"
#include "utils/language.h"

namespace {

TEST(LanguageTables, WindowsLanguageIdentifiersSelectTheirIndex) {
    const struct {
        std::uint16_t id;
        int index;
    } cases[] = {
        {0x0409, 0}, {0x0804, 0},  // Simplified Chinese has no entry: English
        {0x0404, 2}, {0x0421, 3},  {0x041F, 4},  {0x0407, 5},  {0x040C, 6}, {0x040A, 7},
        {0x2C0A, 7}, {0x500A, 7},  {0x540A, 0},  // Spanish sub-language 21 is not listed
        {0x0416, 8}, {0x0816, 0},  {0x0411, 9},  {0x0412, 10}, {0x0415, 11}, {0x0413, 12},
        {0x0813, 12}, {0x0410, 13}, {0x0419, 14}, {0x0000, 0},  {0xFFFF, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(Utils::LanguageFromLanguageId(c.id), c.index) << std::hex << c.id;
}

TEST(LanguageTables, LocaleVariablesGiveTheWindowsIdentifier) {
    const struct {
        const char* language;
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        std::uint16_t id;
    } cases[] = {
        {nullptr, nullptr, nullptr, nullptr, 0x0409},
        {nullptr, nullptr, nullptr, "C", 0x0409},
        {nullptr, nullptr, nullptr, "POSIX", 0x0409},
        {nullptr, nullptr, nullptr, "sv_SE.UTF-8", 0x0409},  // unknown language: English
        {nullptr, nullptr, nullptr, "zh_CN.UTF-8", 0x0804},
        {nullptr, nullptr, nullptr, "zh_TW.Big5", 0x0404},
        {nullptr, nullptr, nullptr, "es_AR.UTF-8", 0x2C0A},
        {nullptr, nullptr, nullptr, "es_PR", 0x500A},
        {nullptr, nullptr, nullptr, "es", 0x0C0A},
        {nullptr, nullptr, nullptr, "nl_BE.UTF-8@euro", 0x0813},
        {nullptr, nullptr, nullptr, "pt_BR.UTF-8", 0x0416},
        {nullptr, nullptr, nullptr, "pt_PT.UTF-8", 0x0816},
        {nullptr, nullptr, nullptr, "de_DE@euro", 0x0407},
        {nullptr, nullptr, nullptr, "RU_ru", 0x0419},
        {nullptr, nullptr, nullptr, "x", 0x0409},
        {nullptr, "", "ja_JP.UTF-8", "de_DE.UTF-8", 0x0411},    // LC_MESSAGES before LANG
        {nullptr, "fr_FR.UTF-8", "ja_JP.UTF-8", nullptr, 0x040C},  // LC_ALL before both
        {nullptr, "C", "ja_JP.UTF-8", nullptr, 0x0409},
        {"sv:ko_KR:it", nullptr, nullptr, "de_DE.UTF-8", 0x0412},  // first known entry
        {"sv:fi", nullptr, nullptr, "tr_TR.UTF-8", 0x041F},        // none known: the locale
        {"", nullptr, nullptr, "id_ID.UTF-8", 0x0421},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::LanguageIdFromLocaleVariables(c.language, c.lcAll, c.lcMessages, c.lang), c.id)
            << (c.language ? c.language : "-") << " " << (c.lcAll ? c.lcAll : "-") << " "
            << (c.lcMessages ? c.lcMessages : "-") << " " << (c.lang ? c.lang : "-");
    }
}

TEST(LanguageTables, UserLanguageComesThroughTheProvider) {
    auto previous = platform::SetUiLanguageProvider([] { return platform::LanguageId{0x2C0A}; });
    EXPECT_EQ(Utils::LanguageFromUiLanguage(), 7);
    platform::SetUiLanguageProvider([] { return platform::LanguageId{0x0804}; });
    EXPECT_EQ(Utils::LanguageFromUiLanguage(), 0);
    platform::SetUiLanguageProvider(previous);
}

struct Loaded {
    int index = -2;
    std::map<int, std::wstring> texts;
};

Loaded Load(int index, const std::wstring& code, const std::string* file) {
    Loaded loaded;
    std::string_view view = file ? std::string_view(*file) : std::string_view();
    loaded.index = Utils::LoadLanguageStrings(index, code, file ? &view : nullptr,
                                              [&](int id, const std::wstring& text) { loaded.texts[id] = text; });
    return loaded;
}

TEST(LanguageFile, IndexInForce) {
    const std::string file = R"([{"id": 1, "en-US": "Install", "id-ID": "Pasang"}])";
    const struct {
        int index;
        const wchar_t* code;
        int expected;
    } cases[] = {
        {3, L"", 3},       {-1, L"", 0},       {15, L"", 0},        {0, L"id-ID", 3},
        {5, L"sv-SE", 5},  {0, L"ID-id", 0},   {-1, L"sv-SE", -1},  {9, L"ru-RU", 14},
    };
    for (const auto& c : cases) EXPECT_EQ(Load(c.index, c.code, &file).index, c.expected) << c.index << " " << c.code;
    EXPECT_EQ(Load(3, L"", nullptr).index, 0);
}

TEST(LanguageFile, RecordsAndTheirTexts) {
    const std::string file = "["
        R"({"id": 1, "id-ID": "Pasang"},)"
        R"({"id": 2, "en-US": "only English"},)"                // no text: empty
        R"({"id-ID": "tanpa id"},)"                             // no id: 0
        R"({"id": 3, "id-ID": 12}, {"id": 4, "id-ID": 1.5},)"   // numbers as text
        R"({"id": 5, "id-ID": true}, {"id": 6, "id-ID": null},)"
        "{\"id\": 7, \"id-ID\": \"bad \xC3\x28 utf-8\"},"       // invalid UTF-8: empty
        R"({"id": 8, "id-ID": ["a"]}, {"id": 9, "id-ID": {"a": 1}},)"  // no text: skipped
        R"({"id": "10", "id-ID": "string id"}, {"id": 4294967296, "id-ID": "too big"},)"
        R"({"id": 11.5, "id-ID": "fraction"}, {"id": 12.0, "id-ID": "whole"},)"
        R"("not a record", 42, [1, 2], null,)"
        R"({"id": 1, "id-ID": "Pasang lagi"})"                  // a later text replaces
        "]";
    Loaded loaded = Load(3, L"", &file);
    const std::map<int, std::wstring> expected = {
        {0, L"tanpa id"}, {1, L"Pasang lagi"}, {2, L""}, {3, L"12"}, {4, L"1.5"},
        {5, L"true"},     {6, L""},            {7, L""}, {12, L"whole"},
    };
    EXPECT_EQ(loaded.index, 3);
    EXPECT_EQ(loaded.texts, expected);
}

TEST(LanguageFile, DamagedOrMisSizedFilesRegisterNothing) {
    const std::string record = R"([{"id": 1, "en-US": "x"}])";
    std::string oversized = record + std::string(Utils::kMaxLanguageFileSize + 1 - record.size(), ' ');
    std::string largest = record + std::string(Utils::kMaxLanguageFileSize - record.size(), ' ');
    const struct {
        const char* name;
        std::string file;
        int index;
        std::size_t texts;
    } cases[] = {
        {"empty", "", 0, 0},
        {"one byte too many", oversized, 0, 0},
        {"largest", largest, 4, 1},
        {"broken", R"([{"id": 1, "en-US": "x"})", 4, 0},
        {"object root", R"({"id": 1, "en-US": "x"})", 4, 0},
        {"string root", R"("text")", 4, 0},
        {"too deep", std::string(5000, '[') + std::string(5000, ']'), 4, 0},
    };
    for (const auto& c : cases) {
        Loaded loaded = Load(4, L"", &c.file);
        EXPECT_EQ(loaded.index, c.index) << c.name;
        EXPECT_EQ(loaded.texts.size(), c.texts) << c.name;
    }
}

TEST(LanguageFile, InstalledLanguageCode) {
    testing_support::TempFolder folder;
    EXPECT_EQ(Utils::InstalledLanguageCode(folder.Path()), L"");
    folder.WriteFile(L"config.ini", "[Install]\nTheme=1\n");
    EXPECT_EQ(Utils::InstalledLanguageCode(folder.Path()), L"en-US");
    folder.WriteFile(L"config.ini", "[Install]\nLanguage=ja-JP\n");
    EXPECT_EQ(Utils::InstalledLanguageCode(folder.Path()), L"ja-JP");
    // The code goes onto the package's command line: only codes of the table are taken.
    for (const char* planted : {"zh-CN\" -instdir=\"/somewhere/else", "ja-jp", "xx-XX", "\"en-US\" /D=/x"}) {
        SCOPED_TRACE(planted);
        folder.WriteFile(L"config.ini", std::string("[Install]\nLanguage=") + planted + "\n");
        EXPECT_EQ(Utils::InstalledLanguageCode(folder.Path()), L"");
    }
}

}  // namespace
