// render: one skin window drawn off-screen, for looking at a skin without a display.
#include "commands.h"
#include "settings/installer_settings.h"
#include "skinui/backend/headless/render_skin.h"
#include "ui/skin_frame.h"
#include "ui/window_language.h"
#include "utils/language.h"
#include "utils/text.h"

namespace {

constexpr const char* kUsage =
    "render SKINFILE OUT.png [--hot NAME] [--pushed NAME] [--page N] [--progress N] [--language N] [--open NAME]\n"
    "       [--folder DIR]";

bool ReadNumber(const std::string& text, int& number) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    number = std::stoi(text);
    return true;
}

}  // namespace

int RunRender(const Arguments& arguments) {
    std::vector<std::string> positional;
    SkinUI::RenderOptions options;
    int language = Utils::kNoLanguage;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.rfind("--", 0) != 0) {
            positional.push_back(argument);
            continue;
        }
        if (i + 1 >= arguments.size()) return UsageError(kUsage);
        const std::string& value = arguments[++i];
        if (argument == "--hot") options.hot = Utils::Utf8ToWide(value);
        else if (argument == "--pushed") options.pushed = Utils::Utf8ToWide(value);
        else if (argument == "--open") options.open = Utils::Utf8ToWide(value);
        else if (argument == "--folder") options.folder = Utils::Utf8ToWide(value);
        else if (argument == "--page" && ReadNumber(value, options.page)) continue;
        else if (argument == "--progress" && ReadNumber(value, options.progress)) continue;
        else if (argument == "--language" && ReadNumber(value, language) && Utils::IsLanguageIndex(language)) continue;
        else return UsageError(kUsage);
    }
    if (positional.size() != 2) return UsageError(kUsage);
    if (language != Utils::kNoLanguage) {
        // As the main window starts with "-language=N": chosen in the combo and applied.
        options.prepare = [language](SkinUI::CPaintManager& manager) {
            InstallerSettings::Instance().Language = language;
            CWindowLanguage windowLanguage(manager);
            windowLanguage.InitLanguage();
            if (windowLanguage.GetSelectedLocaleCode().empty()) windowLanguage.ApplyLanguage(language);
            return std::wstring();
        };
    }
    // Drawn as the installer draws it: its own controls, and its shadow under it.
    options.makeWindow = [](const std::wstring& file, SkinUI::SkinSource source) {
        CWndShadow::Initialize();
        WindowDescriptor descriptor = WindowDescriptor::ForSkinFile(file);
        descriptor.resourceKind = static_cast<int>(source);
        return std::make_unique<CSkinFrame>(descriptor);
    };
    options.withShadow = true;
    const std::wstring error =
        SkinUI::RenderSkinToPng(Utils::Utf8ToWide(positional[0]), Utils::Utf8ToWide(positional[1]), options);
    if (!error.empty()) {
        std::fprintf(stderr, "kelvo-cli: %s\n", Utils::WideToUtf8(error).c_str());
        return 1;
    }
    return 0;
}
