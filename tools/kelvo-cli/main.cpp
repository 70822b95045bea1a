// kelvo-cli: runs pieces of the installer without a window, for tests, benchmarks and diagnosis.
//
// The window commands live in a sibling program, kelvo-cli-skin, which this one hands them to:
// a download measured through kelvo-cli then carries none of the drawing libraries.
#include <cerrno>
#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "platform/file_system.h"
#include "platform/module_path.h"
#include "platform/process.h"
#include "platform/program_entry.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const Arguments&);  // null: a window command of kelvo-cli-skin
    const char* summary;
};

constexpr Command kCommands[] = {
    {"fetch", RunFetch, "fetch --engine N URL FILE      download with the engine DownloadType N selects"},
    {"install", RunInstall,
     "install --url URL [--dir DIR] [--engine N] [--uninstaller PATH] [--insnew]\n"
     "                                 remove the old version, download, install, write the records"},
    {"records", RunRecords, "records                        the earlier installation and the proposed folder"},
    {"render", nullptr,
     "render SKINFILE OUT.png [--hot NAME] [--pushed NAME] [--page N] [--progress N] [--language N]\n"
     "                                 [--open NAME] [--folder DIR]\n"
     "                                 draw one skin window off-screen as PNG, over its shadow;\n"
     "                                 --open draws the named combo with its list open"},
    {"show", nullptr,
     "show SKINFILE [--folder DIR] [--text T] [--caption C]\n"
     "                                 open one skin window on the display until it is closed;\n"
     "                                 a box prints its result"},
    {"screenshot", nullptr,
     "screenshot DUMP.xwd OUT.png    an X window dump (xwd -id WINDOW) as PNG"},
};

int PrintUsage() {
    std::fprintf(stderr, "usage: kelvo-cli COMMAND ...\n");
    for (const Command& command : kCommands) std::fprintf(stderr, "  %s\n", command.summary);
    return 2;
}

int HandToSkinProgram(int argc, char** argv) {
    const std::wstring sibling = platform::JoinPath(platform::ParentPath(platform::GetModulePath()),
                                                    std::wstring(L"kelvo-cli-skin") + platform::kProgramSuffix);
    // A build without the window framework (Windows, for now) has no such sibling.
    if (!platform::IsRegularFile(sibling)) {
        std::fprintf(stderr, "kelvo-cli: %s needs kelvo-cli-skin, which this build does not have\n", argv[1]);
        return 2;
    }
    const std::string program = platform::PathToNative(sibling);
    std::vector<std::string> arguments(argv, argv + argc);
    arguments[0] = program;
    platform::ReplaceProcess(program, arguments);
    std::fprintf(stderr, "kelvo-cli: cannot start %s: %s\n", program.c_str(), std::strerror(errno));
    return 1;
}

int Main(int argc, char** argv) {
    platform::PrepareProcess();
    std::setlocale(LC_CTYPE, "");
    if (argc < 2) return PrintUsage();
    for (const Command& command : kCommands) {
        if (std::strcmp(argv[1], command.name) != 0) continue;
        if (!command.run) return HandToSkinProgram(argc, argv);
        return command.run(Arguments(argv + 2, argv + argc));
    }
    return PrintUsage();
}

}  // namespace

KELVO_PROGRAM_ENTRY(Main)
