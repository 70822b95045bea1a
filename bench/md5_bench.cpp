// Times the package digest as the engines compute it after a download:
// md5_bench [--sha256] FILE [REPEATS]. Prints "<digest> <seconds>" with the fastest of the
// repeats, so a busy machine costs less.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "utils/digest.h"

int main(int argc, char** argv) {
    platform::DigestAlgorithm algorithm = platform::DigestAlgorithm::kMd5;
    if (argc > 1 && std::strcmp(argv[1], "--sha256") == 0) {
        algorithm = platform::DigestAlgorithm::kSha256;
        --argc;
        ++argv;
    }
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: md5_bench [--sha256] FILE [REPEATS]\n");
        return 2;
    }
    const int repeats = argc == 3 ? std::atoi(argv[2]) : 1;
    if (repeats < 1) {
        std::fprintf(stderr, "md5_bench: REPEATS must be at least 1\n");
        return 2;
    }
    std::string digest;
    double best = 0.0;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        digest = Utils::GetFileDigest(argv[1], algorithm);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (i == 0 || elapsed.count() < best) best = elapsed.count();
    }
    if (digest.empty()) {
        std::fprintf(stderr, "md5_bench: cannot read %s\n", argv[1]);
        return 1;
    }
    std::printf("%s %.4f\n", digest.c_str(), best);
    return 0;
}
