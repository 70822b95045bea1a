// screenshot: an X window dump (what `xwd -id WINDOW` writes) as PNG, so the demo's pictures
// need nothing beyond the X tools the tests install already.
#include "commands.h"
#include "platform/file_system.h"
#include "skinui/render/image.h"
#include "skinui/render/window_dump.h"
#include "utils/text.h"

namespace {

constexpr const char* kUsage = "screenshot DUMP.xwd OUT.png";

}  // namespace

int RunScreenshot(const Arguments& arguments) {
    if (arguments.size() != 2) return UsageError(kUsage);
    // A screen of 8192 x 8192 pixels at 32 bits and its header: larger is no window dump.
    constexpr std::size_t kDumpLimit = std::size_t{260} << 20;
    const auto bytes = platform::ReadWholeFile(platform::PathFromNative(arguments[0]), kDumpLimit);
    if (!bytes) {
        std::fprintf(stderr, "kelvo-cli: cannot read %s\n", arguments[0].c_str());
        return 1;
    }
    const SkinUI::Bitmap picture = SkinUI::DecodeWindowDump(*bytes);
    if (picture.IsEmpty()) {
        std::fprintf(stderr, "kelvo-cli: %s is not a dump of a true-colour window\n", arguments[0].c_str());
        return 1;
    }
    if (!SkinUI::WritePng(picture, platform::PathFromNative(arguments[1]))) {
        std::fprintf(stderr, "kelvo-cli: cannot write %s\n", arguments[1].c_str());
        return 1;
    }
    return 0;
}
