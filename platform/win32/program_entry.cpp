#include "platform/program_entry.h"

#include <string>
#include <vector>

#include "platform/utf8.h"

namespace platform {

int RunWithUtf8Arguments(int argc, wchar_t** argv, ProgramMain run) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(WideToUtf8(argv[i]));
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return run(argc, pointers.data());
}

}  // namespace platform
