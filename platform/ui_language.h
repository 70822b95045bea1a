#pragma once
// The user's interface language as a Windows language identifier (primary language in the low
// ten bits, sub-language above them), the form the installer's language table is written in.
// Tests replace the provider.
#include <cstdint>
#include <string>

namespace platform {

using LanguageId = std::uint16_t;
constexpr LanguageId kEnglishUnitedStates = 0x0409;

LanguageId GetUserDefaultUILanguage();
// The system's own answer, which GetUserDefaultUILanguage gives unless tests replaced it: on
// Windows the system's, on Linux the choice LanguageIdFromLocaleVariables makes.
LanguageId SystemUiLanguage();

using UiLanguageProvider = LanguageId (*)();
// Null restores the system's provider. Returns the previous one.
UiLanguageProvider SetUiLanguageProvider(UiLanguageProvider provider);

// One locale name, "ll[_CC][.codeset][@modifier]", as an identifier; 0 for a name that is
// empty, C, POSIX, malformed or of a language this table does not know.
LanguageId LanguageIdFromLocaleName(const std::string& name);

// The choice the system provider makes from the values of LANGUAGE, LC_ALL, LC_MESSAGES and
// LANG (null for an unset variable): LANGUAGE is a priority list whose first known entry wins;
// otherwise the first of the other three that is set decides, and C, POSIX or an unknown
// language give English (United States).
LanguageId LanguageIdFromLocaleVariables(const char* language, const char* lcAll,
                                         const char* lcMessages, const char* lang);

}  // namespace platform
