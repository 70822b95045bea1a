#include "settings/installer_settings.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <optional>

#include "platform/file_system.h"
#include "platform/module_path.h"
#include "platform/profile.h"
#include "utils/system_info.h"
#include "utils/text.h"

namespace {

constexpr const wchar_t* kRoutePlaceholder = L"${ROUTE}";
// Products with a 64-bit package of their own; this installer's product is not among them.
constexpr int kProductsWith64BitPackage[] = {267, 385, 257, 335, 318};

enum class NumberParse { Number, NotANumber, OutOfRange };

// Decimal integer as the runtime's wide-to-int conversion reads it: leading blanks, a sign,
// digits; anything after them is ignored.
NumberParse ParseInteger(const std::wstring& text, int& value) {
    const wchar_t* begin = text.c_str();
    while (std::iswspace(static_cast<wint_t>(*begin))) ++begin;
    const wchar_t* digits = begin + ((*begin == L'-' || *begin == L'+') ? 1 : 0);
    if (!std::iswdigit(static_cast<wint_t>(*digits))) return NumberParse::NotANumber;
    errno = 0;
    wchar_t* end = nullptr;
    long long parsed = std::wcstoll(begin, &end, 10);
    if (errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return NumberParse::OutOfRange;
    value = static_cast<int>(parsed);
    return NumberParse::Number;
}

// A share of the progress display: a finite number from 0 to 1.
NumberParse ParseScale(const std::wstring& text, double& value) {
    wchar_t* end = nullptr;
    errno = 0;
    double parsed = std::wcstod(text.c_str(), &end);
    if (end == text.c_str()) return NumberParse::NotANumber;
    if (errno == ERANGE || !std::isfinite(parsed) || parsed < 0.0 || parsed > 1.0)
        return NumberParse::OutOfRange;
    value = parsed;
    return NumberParse::Number;
}

bool IsTrue(const std::wstring& text) { return text == L"true"; }

std::optional<std::wstring> Option(const Utils::CommandLineMap& options, const wchar_t* key) {
    auto found = options.find(key);
    if (found == options.end()) return std::nullopt;
    return found->second;
}

// An option that is not a number gives 0; one outside the integer range is refused.
void ApplyIntegerOption(const Utils::CommandLineMap& options, const wchar_t* key, int& field) {
    auto value = Option(options, key);
    if (!value) return;
    int parsed = 0;
    switch (ParseInteger(*value, parsed)) {
        case NumberParse::Number: field = parsed; break;
        case NumberParse::NotANumber: field = 0; break;
        case NumberParse::OutOfRange: break;
    }
}

// Static initialisation reads the file before main, as the installer always has.
[[maybe_unused]] const bool g_settingsLoaded = (InstallerSettings::Instance(), true);

}  // namespace

InstallerSettings::InstallerSettings() { SetDownloadUrl(DefaultDownloadUrl()); }

InstallerSettings& InstallerSettings::Instance() {
    static InstallerSettings settings = [] {
        InstallerSettings loaded;
        loaded.ReadConfigurationFile(ConfigurationFilePath());
        return loaded;
    }();
    return settings;
}

std::wstring InstallerSettings::ConfigurationFilePath() {
    std::wstring module = platform::GetModulePath();
    if (module.empty()) return {};
    return platform::JoinPath(platform::ParentPath(module), kConfigurationFileName);
}

std::wstring InstallerSettings::DefaultDownloadUrl() {
    return L"http://download.example.com/software/711";
}

void InstallerSettings::SetDownloadUrl(const std::wstring& url) { DownloadUrl = SubstituteRoute(url); }

void InstallerSettings::ReadConfigurationFile(const std::wstring& path) {
    if (path.empty() || !platform::PathExists(path)) return;
    // A file that is there but cannot be read is a file whose every read fails: the file's own
    // defaults apply, IsCheckNet true among them.
    const std::optional<std::string> bytes = platform::ReadWholeFile(path);
    const std::wstring text = bytes ? platform::DecodeProfileBytes(*bytes) : std::wstring();
    auto read = [&](const wchar_t* key, const std::wstring& fallback) {
        return platform::GetProfileStringFromText(text, kSection, key, fallback, kValueBufferChars);
    };
    // A value no key can produce tells an absent key from an empty one.
    const std::wstring absent(1, L'\x01');

    SetDownloadUrl(read(L"DownloadUrl", DefaultDownloadUrl()));

    std::wstring type = read(L"DownloadType", absent);
    if (type == absent) {
        DownloadType = 1;
    } else {
        // The profile's integer rule: leading digits, else 0; an overflowing number is refused.
        int parsed = 0;
        switch (ParseInteger(type, parsed)) {
            case NumberParse::Number: DownloadType = parsed; break;
            case NumberParse::NotANumber: DownloadType = 0; break;
            case NumberParse::OutOfRange: DownloadType = 1; break;
        }
    }

    IsCheckNet = IsTrue(read(L"IsCheckNet", L"true"));
    IsEnableAppSensors = IsTrue(read(L"IsEnableAppSensors", L"true"));
    DlAppNameSuffix = read(L"DlAppNameSuffix", L".downloader");
    DlAppVersion = read(L"m_DlAppVersion", L"");

    double scale = 0.0;
    switch (ParseScale(read(L"DownloadScale", L"0.7"), scale)) {
        case NumberParse::Number: DownloadScale = scale; break;
        case NumberParse::NotANumber: DownloadScale = 0.0; break;
        case NumberParse::OutOfRange: DownloadScale = 0.7; break;
    }
    InstCmd = read(L"InstCmd", L"");
}

void InstallerSettings::ApplyCommandLine(const Utils::CommandLineMap& options) {
    if (auto url = Option(options, L"-downloadurl")) SetDownloadUrl(*url);
    ApplyIntegerOption(options, L"-downloadtype", DownloadType);
    if (auto scale = Option(options, L"-downloadscale")) {
        double parsed = 0.0;
        if (ParseScale(*scale, parsed) == NumberParse::Number) DownloadScale = parsed;
    }
    if (auto value = Option(options, L"-ischecknet")) IsCheckNet = IsTrue(*value);
    if (auto value = Option(options, L"-isenableappsensors")) IsEnableAppSensors = IsTrue(*value);
    if (auto value = Option(options, L"-dlappnamesuffix")) DlAppNameSuffix = *value;
    if (auto value = Option(options, L"-dlappversion")) DlAppVersion = *value;
    if (auto value = Option(options, L"-instcmd")) InstCmd = *value;
    ApplyIntegerOption(options, L"-language", Language);
    if (auto value = Option(options, L"-insnew")) InsNew = IsTrue(*value);
}

void InstallerSettings::ApplyCommandLine(const std::vector<std::wstring>& arguments) {
    ApplyCommandLine(Utils::MapArguments(arguments));
}

std::wstring RouteName() {
    std::wstring family, version;
    Utils::GetOsVersionName(family, version);
    if (version.find(L"XP") != std::wstring::npos) return L"download_silent_xp";
    for (int product : kProductsWith64BitPackage)
        if (product == InstallerSettings::kProductNumber)
            return Utils::IsWow64() ? L"download_silent_64" : L"download_silent";
    return L"download_silent";
}

std::wstring SubstituteRoute(const std::wstring& url) {
    if (url.find(kRoutePlaceholder) == std::wstring::npos) return url;
    return Utils::ReplaceAll(url, kRoutePlaceholder, RouteName());
}
