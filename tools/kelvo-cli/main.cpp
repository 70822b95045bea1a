// kelvo-cli: runs pieces of the installer without a window, for tests, benchmarks and diagnosis.
#include <clocale>
#include <cstring>

#include "commands.h"
#include "utils/text.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const Arguments&);
    const char* summary;
};

constexpr Command kCommands[] = {
    {"fetch", RunFetch, "fetch --engine N URL FILE      download with the engine DownloadType N selects"},
    {"install", RunInstall,
     "install --url URL --dir DIR [--engine N] [--uninstaller PATH] [--insnew]\n"
     "                                 remove the old version, download, install"},
    {"render", RunRender,
     "render SKINFILE OUT.png [--hot NAME] [--pushed NAME] [--page N] [--progress N] [--folder DIR]\n"
     "                                 draw one skin window off-screen as PNG"},
    {"show", RunShow, "show SKINFILE [--folder DIR]   open one skin window on the display until it is closed"},
};

int PrintUsage() {
    std::fprintf(stderr, "usage: kelvo-cli COMMAND ...\n");
    for (const Command& command : kCommands) std::fprintf(stderr, "  %s\n", command.summary);
    return 2;
}

}  // namespace

void PrintReport(int code, double value, const wchar_t* text) {
    std::printf("%d %g %s\n", code, value, Utils::WideToUtf8(text ? text : L"").c_str());
    std::fflush(stdout);
}

int UsageError(const char* usage) {
    std::fprintf(stderr, "usage: kelvo-cli %s\n", usage);
    return 2;
}

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "");
    if (argc < 2) return PrintUsage();
    for (const Command& command : kCommands) {
        if (std::strcmp(argv[1], command.name) == 0) return command.run(Arguments(argv + 2, argv + argc));
    }
    return PrintUsage();
}
