#include <cstdio>

#include "commands.h"
#include "utils/text.h"

int UsageError(const char* usage) {
    std::fprintf(stderr, "usage: kelvo-cli %s\n", usage);
    return 2;
}
