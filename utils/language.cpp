#include "utils/language.h"

#include <json/json.h>

#include <algorithm>
#include <exception>
#include <memory>

#include "platform/file_system.h"
#include "platform/identity.h"
#include "platform/profile.h"
#include "platform/ui_language.h"
#include "utils/debug_log.h"
#include "utils/disk.h"
#include "utils/text.h"

namespace Utils {
namespace {

constexpr const char* kCodes[kLanguageCount] = {
    "en-US", "zh-CN", "zh-TW", "id-ID", "tr-TR", "de-DE", "fr-FR", "es-ES",
    "pt-PT", "ja-JP", "ko-KR", "pl-PL", "nl-NL", "it-IT", "ru-RU",
};

// The text of one record in the chosen language (a number or a boolean in its text form,
// invalid UTF-8 as an empty text); false when the member cannot be a text.
bool TextOf(const Json::Value& member, std::wstring& text) {
    if (member.isArray() || member.isObject()) return false;
    text = Utf8ToWide(member.asString());
    return true;
}

}  // namespace

const std::vector<std::string>& LocaleCodes() {
    static const std::vector<std::string> codes(std::begin(kCodes), std::end(kCodes));
    return codes;
}

const std::vector<std::wstring>& WideLocaleCodes() {
    static const std::vector<std::wstring> codes = [] {
        std::vector<std::wstring> wide;
        for (const char* code : kCodes) wide.push_back(Utf8ToWide(code));
        return wide;
    }();
    return codes;
}

bool IsLanguageIndex(int index) { return index >= 0 && index < kLanguageCount; }

std::wstring LocaleCodeOf(int index) {
    return IsLanguageIndex(index) ? WideLocaleCodes()[static_cast<std::size_t>(index)] : std::wstring();
}

const std::vector<UiLanguageEntry>& UiLanguageTable() {
    static const std::vector<UiLanguageEntry> table = [] {
        std::vector<UiLanguageEntry> entries = {
            {0x0409, 0}, {0x0404, 2}, {0x0421, 3}, {0x041F, 4}, {0x0407, 5}, {0x040C, 6},
        };
        // Spanish, sub-languages 1 to 20.
        for (std::uint16_t sub = 1; sub <= 20; ++sub)
            entries.push_back({static_cast<std::uint16_t>((sub << 10) | 0x0A), 7});
        const UiLanguageEntry rest[] = {{0x0416, 8}, {0x0411, 9}, {0x0412, 10}, {0x0415, 11},
                                        {0x0413, 12}, {0x0813, 12}, {0x0410, 13}, {0x0419, 14}};
        entries.insert(entries.end(), std::begin(rest), std::end(rest));
        return entries;
    }();
    return table;
}

int LanguageFromLanguageId(std::uint16_t languageId) {
    for (const UiLanguageEntry& entry : UiLanguageTable())
        if (entry.languageId == languageId) return entry.index;
    return 0;
}

int LanguageFromUiLanguage() { return LanguageFromLanguageId(platform::GetUserDefaultUILanguage()); }

int LoadLanguageStrings(int index, const std::wstring& wantedCode, const std::string_view* file,
                        const TextSink& sink) {
    if (!file || file->empty() || file->size() > kMaxLanguageFileSize) return 0;
    if (!wantedCode.empty()) {
        const std::vector<std::wstring>& codes = WideLocaleCodes();
        for (std::size_t i = 0; i < codes.size(); ++i) {
            if (codes[i] == wantedCode) {
                index = static_cast<int>(i);
                break;
            }
        }
    } else if (!IsLanguageIndex(index)) {
        index = 0;
    }
    // A wanted code that is not in the table keeps an index the table may not have either.
    if (!IsLanguageIndex(index)) return index;

    Json::Value root;
    std::string errors;
    const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    try {
        if (!reader->parse(file->data(), file->data() + file->size(), &root, &errors)) {
            DEBUG_LOG(L"language.json: %s", Utf8ToWide(errors).c_str());
            return index;
        }
    } catch (const std::exception& error) {  // nesting past the reader's limit
        DEBUG_LOG(L"language.json: %s", Utf8ToWide(error.what()).c_str());
        return index;
    }
    if (!root.isArray()) return index;
    const char* code = kCodes[index];
    for (const Json::Value& record : root) {
        if (!record.isObject()) continue;
        int id = 0;
        if (const Json::Value* idMember = record.find("id", "id" + 2)) {
            if (!idMember->isInt()) continue;
            id = idMember->asInt();
        }
        std::wstring text;
        const Json::Value* member = record.find(code, code + std::char_traits<char>::length(code));
        if (member && !TextOf(*member, text)) continue;
        sink(id, text);
    }
    return index;
}

std::wstring InstalledLanguageCode(const std::wstring& installDir) {
    const std::wstring path = platform::JoinPath(installDir, L"config.ini");
    if (installDir.empty()) return {};
    platform::FileAccessAs access(platform::AccountFor(path));
    if (!platform::PathExists(path)) return {};
    const std::wstring code = platform::GetProfileString(L"Install", L"Language", L"en-US", kMaxPath, path);
    // The code goes onto the package's command line: anything but a code of the table (a quote
    // in it would split that line and add options of the file's choosing) counts as none.
    const std::vector<std::wstring>& codes = WideLocaleCodes();
    if (std::find(codes.begin(), codes.end(), code) != codes.end()) return code;
    DEBUG_LOG(L"config.ini: Language is not a language of the table; none taken");
    return {};
}

}  // namespace Utils
