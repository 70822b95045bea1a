// The demo setup package, its uninstaller and the product, chosen by the program's file name.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "demo_options.h"
#include "platform/file_system.h"
#include "platform/module_path.h"
#include "platform/process.h"
#include "platform/program_entry.h"

namespace {

// A setup package carries its product; this one carries a payload of the size that download
// servers and the libcurl engines expect of a package (they refuse anything under 1 MiB).
[[gnu::used]] const volatile unsigned char kPayload[1536 * 1024] = {'K', 'e', 'l', 'v', 'o'};

// Leaves "started.marker" beside the program, naming its arguments and working folder, so that
// whoever started it can see it was started and how.
void LeaveMarker(const std::vector<std::string>& arguments) {
    const std::filesystem::path self = demo::PathFromUtf8(platform::PathToNative(platform::GetModulePath()));
    std::error_code error;
    std::string text = "workdir=" + demo::PathToUtf8(std::filesystem::current_path(error)) + "\n";
    for (const std::string& argument : arguments) text += "argument=" + argument + "\n";
    std::ofstream(self.parent_path() / "started.marker", std::ios::binary | std::ios::trunc) << text;
}

int RunProduct(const std::vector<std::string>& arguments) {
    LeaveMarker(arguments);
    demo::PrintLine("Kelvo Kids少儿编程 (demo product)");
    const std::string stay = demo::ArgumentValue(arguments, "-stay");
    demo::Pause(stay.empty() ? 0 : std::stol(stay));
    return 0;
}

int Main(int argc, char** argv) {
    platform::PrepareProcess();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // The role is the name of the file that runs, whatever the command line calls it.
    std::wstring self = platform::FileNameOf(platform::GetModulePath());
    const std::string name = self.empty() ? demo::PathToUtf8(demo::PathFromUtf8(argv[0]).filename())
                                          : platform::PathToNative(self);
    const demo::Options options = demo::ReadOptions(arguments);
    // Other names that begin like the product's let tests run products side by side.
    if (name.rfind("Kelvo_Kids", 0) == 0) return RunProduct(arguments);
    if (name == "uninst.ep" || name.find("_un_") != std::string::npos)
        return demo::RunUninstaller(arguments, options);
    return demo::RunPackage(arguments, options);
}

}  // namespace

KELVO_PROGRAM_ENTRY(Main)
