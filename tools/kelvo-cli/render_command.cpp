// render: one skin window drawn off-screen, for looking at a skin without a display.
#include "commands.h"
#include "skinui/backend/headless/render_skin.h"
#include "utils/text.h"

int RunRender(const Arguments& arguments) {
    if (arguments.size() < 2 || arguments.size() > 3) return UsageError("render SKINFILE PNG [FOLDER]");
    const std::wstring error = SkinUI::RenderSkinToPng(
        Utils::Utf8ToWide(arguments[0]), Utils::Utf8ToWide(arguments[1]),
        arguments.size() == 3 ? Utils::Utf8ToWide(arguments[2]) : L"");
    if (!error.empty()) {
        std::fprintf(stderr, "kelvo-cli: %s\n", Utils::WideToUtf8(error).c_str());
        return 1;
    }
    return 0;
}
