#pragma once
// The interface languages: the locale table (index to code), the Windows interface-language
// table (identifier to index), and the reading of "language.json" into numbered texts. Nothing
// here knows the window framework: the caller hands over the file and takes the texts.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Utils {

constexpr int kLanguageCount = 15;
// The interface language index before any has been chosen.
constexpr int kNoLanguage = -1;
// "language.json" is read only when it has 1 to this many bytes.
constexpr std::size_t kMaxLanguageFileSize = 0x400000;

// The locale codes by index ("en-US" ... "ru-RU"), as 8-bit text for matching the file and as
// wide text for the window; built on first use.
const std::vector<std::string>& LocaleCodes();
const std::vector<std::wstring>& WideLocaleCodes();
bool IsLanguageIndex(int index);
// The code of an index; empty text when the index is not in the table.
std::wstring LocaleCodeOf(int index);

// The 34 Windows interface-language identifiers the installer knows, and the index each
// selects; every other identifier gives 0.
struct UiLanguageEntry {
    std::uint16_t languageId;
    int index;
};
const std::vector<UiLanguageEntry>& UiLanguageTable();
int LanguageFromLanguageId(std::uint16_t languageId);
// The user's interface language through the table.
int LanguageFromUiLanguage();

// Receives one text of the chosen language under its id.
using TextSink = std::function<void(int id, const std::wstring& text)>;

// Loads the texts of one language from the bytes of "language.json" (null when the file is
// missing or unreadable) into the sink, and returns the index in force: the index of the wanted
// code when it is in the table, else the given index when that is in the table, else 0 (the
// given index also stays when a wanted code is not in the table). A file of no or too many
// bytes registers nothing and gives 0; text that is not JSON registers nothing; malformed
// records are skipped, and a text that is a number or a boolean registers its text form.
int LoadLanguageStrings(int index, const std::wstring& wantedCode, const std::string_view* file,
                        const TextSink& sink);

// The interface language recorded by an earlier installation: section "Install", key
// "Language" of its "config.ini" ("en-US" when the key is missing); empty text when the file
// does not exist or names a code that is not in the locale table (logged).
std::wstring InstalledLanguageCode(const std::wstring& installDir);

}  // namespace Utils
