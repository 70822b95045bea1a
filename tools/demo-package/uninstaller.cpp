// The demo product's uninstaller: removes what the package installed from the folder named by
// "_?=" and prints the uninstall protocol.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "demo_options.h"

namespace demo {

int RunUninstaller(const std::vector<std::string>& arguments, const Options& options) {
    namespace fs = std::filesystem;
    const long pace = options.Number("pace", 60);
    const std::string folder = RestOfLine(arguments, "_?=");
    // Who ran it: a file of the uninstaller's making, owned by the account it ran as.
    if (options.Has("uninstall-marker")) std::ofstream(PathFromUtf8(options.Text("uninstall-marker"))) << "uninstalled\n";
    PrintLine("Encode=UTF8");
    PrintLine("Progress=0.1");
    Pause(pace);
    if (options.Has("uninstall-fail")) {
        PrintLine("State=Fail");
        Pause(options.Number("slow-exit", 0));
        return 1;
    }
    if (options.Has("uninstall-error")) {
        PrintLine("Error=" + options.Text("uninstall-error", "卸载出错"));
        return 1;
    }
    if (folder.empty()) {
        PrintLine("Error=no installation folder given (_?=)");
        return 2;
    }
    std::error_code error;
    int step = 0;
    const char* const names[] = {"Kelvo_Kids.exe", "demo-install.ini", "set.ini", "config.ini",
                                 "started.marker", "uninst.ep"};
    for (const char* name : names) {
        fs::remove(PathFromUtf8(folder) / name, error);
        PrintLine("Progress=" + std::to_string(++step / static_cast<double>(std::size(names))).substr(0, 4));
        Pause(pace);
    }
    if (fs::is_empty(PathFromUtf8(folder), error)) fs::remove(PathFromUtf8(folder), error);
    PrintLine("Progress=1");
    if (!options.Has("uninstall-no-result")) PrintLine("State=Success");
    return 0;
}

}  // namespace demo
