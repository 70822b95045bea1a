// kelvo-cli-skin: the window commands of kelvo-cli, which hands them here (see main.cpp).
#include <clocale>
#include <cstdio>
#include <cstring>

#include "commands.h"

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "");
    if (argc >= 2 && std::strcmp(argv[1], "render") == 0) return RunRender(Arguments(argv + 2, argv + argc));
    if (argc >= 2 && std::strcmp(argv[1], "show") == 0) return RunShow(Arguments(argv + 2, argv + argc));
    if (argc >= 2 && std::strcmp(argv[1], "screenshot") == 0) return RunScreenshot(Arguments(argv + 2, argv + argc));
    std::fprintf(stderr, "usage: kelvo-cli render|show|screenshot ...\n");
    return 2;
}
