#include "platform/ui_language.h"

#include <atomic>

namespace platform {
namespace {

struct Territory {
    const char* territory;  // empty: the language without a territory
    LanguageId id;
};

struct Language {
    const char* code;
    Territory territories[21];
};

// The identifiers Windows gives these languages; a territory that is not listed is treated
// as the language's first entry, the one Windows uses for the bare language.
const Language kLanguages[] = {
    {"en", {{"US", 0x0409}, {"GB", 0x0809}, {"AU", 0x0C09}, {"CA", 0x1009}, {"NZ", 0x1409},
            {"IE", 0x1809}, {"ZA", 0x1C09}, {"IN", 0x4009}, {"SG", 0x4809}}},
    {"zh", {{"CN", 0x0804}, {"TW", 0x0404}, {"HK", 0x0C04}, {"SG", 0x1004}, {"MO", 0x1404}}},
    {"id", {{"ID", 0x0421}}},
    {"tr", {{"TR", 0x041F}}},
    {"de", {{"DE", 0x0407}, {"CH", 0x0807}, {"AT", 0x0C07}, {"LU", 0x1007}, {"LI", 0x1407}}},
    {"fr", {{"FR", 0x040C}, {"BE", 0x080C}, {"CA", 0x0C0C}, {"CH", 0x100C}, {"LU", 0x140C}}},
    {"es", {{"ES", 0x0C0A}, {"MX", 0x080A}, {"GT", 0x100A}, {"CR", 0x140A}, {"PA", 0x180A},
            {"DO", 0x1C0A}, {"VE", 0x200A}, {"CO", 0x240A}, {"PE", 0x280A}, {"AR", 0x2C0A},
            {"EC", 0x300A}, {"CL", 0x340A}, {"UY", 0x380A}, {"PY", 0x3C0A}, {"BO", 0x400A},
            {"SV", 0x440A}, {"HN", 0x480A}, {"NI", 0x4C0A}, {"PR", 0x500A}, {"US", 0x540A}}},
    {"pt", {{"BR", 0x0416}, {"PT", 0x0816}}},
    {"ja", {{"JP", 0x0411}}},
    {"ko", {{"KR", 0x0412}}},
    {"pl", {{"PL", 0x0415}}},
    {"nl", {{"NL", 0x0413}, {"BE", 0x0813}}},
    {"it", {{"IT", 0x0410}, {"CH", 0x0810}}},
    {"ru", {{"RU", 0x0419}, {"MD", 0x0819}}},
};

bool IsLetters(const std::string& text, std::size_t size) {
    if (text.size() != size) return false;
    for (char c : text)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    return true;
}

std::string Lower(std::string text) {
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

std::atomic<UiLanguageProvider> g_provider{nullptr};

}  // namespace

LanguageId LanguageIdFromLocaleName(const std::string& name) {
    std::string rest = name.substr(0, name.find_first_of(".@"));
    std::string language = rest.substr(0, rest.find('_'));
    std::string territory = rest.find('_') == std::string::npos ? "" : rest.substr(rest.find('_') + 1);
    if (!(IsLetters(language, 2) || IsLetters(language, 3))) return 0;
    if (!territory.empty() && !IsLetters(territory, 2) && territory.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    language = Lower(language);
    territory = Upper(territory);
    for (const Language& entry : kLanguages) {
        if (language != entry.code) continue;
        for (const Territory& known : entry.territories)
            if (known.territory && territory == known.territory) return known.id;
        return entry.territories[0].id;
    }
    return 0;
}

LanguageId LanguageIdFromLocaleVariables(const char* language, const char* lcAll,
                                         const char* lcMessages, const char* lang) {
    if (language && *language) {
        std::string list = language;
        std::size_t start = 0;
        while (start <= list.size()) {
            std::size_t end = list.find(':', start);
            if (end == std::string::npos) end = list.size();
            if (LanguageId id = LanguageIdFromLocaleName(list.substr(start, end - start))) return id;
            start = end + 1;
        }
    }
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (!value || !*value) continue;
        LanguageId id = LanguageIdFromLocaleName(value);
        return id ? id : kEnglishUnitedStates;
    }
    return kEnglishUnitedStates;
}

LanguageId GetUserDefaultUILanguage() {
    UiLanguageProvider provider = g_provider.load();
    return provider ? provider() : SystemUiLanguage();
}

UiLanguageProvider SetUiLanguageProvider(UiLanguageProvider provider) {
    return g_provider.exchange(provider);
}

}  // namespace platform
