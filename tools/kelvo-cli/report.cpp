#include <cstdio>

#include "commands.h"
#include "utils/text.h"

void PrintReport(int code, double value, const wchar_t* text) {
    std::printf("%d %g %s\n", code, value, Utils::WideToUtf8(text ? text : L"").c_str());
    std::fflush(stdout);
}

int UsageError(const char* usage) {
    std::fprintf(stderr, "usage: kelvo-cli %s\n", usage);
    return 2;
}
