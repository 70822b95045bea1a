#include <clocale>
#include <string>
#include <vector>

#include "app/entry.h"
#include "platform/process.h"
#include "platform/program_entry.h"
#include "platform/utf8.h"

namespace {

int Main(int argc, char** argv) {
    platform::PrepareProcess();
    // Character classification and the code page of child output follow the user's locale;
    // numbers are always read with the decimal point.
    std::setlocale(LC_CTYPE, "");
    std::vector<std::wstring> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(platform::Utf8ToWideLossy(argv[i]));
    return RunInstaller(arguments);
}

}  // namespace

KELVO_PROGRAM_ENTRY(Main)
