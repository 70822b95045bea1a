// Time from exec to a line a program writes once its window is up, over several rounds: the
// installer's "first frame presented" (its first WM_PAINT presented while shown), or the line
// "window X Y W H" that kelvo-cli show prints once its window is shown. Run on an X server.
//   first_frame_bench ROUNDS MARKER PROGRAM [ARGUMENTS...]
// Prints each round in milliseconds, then the median and the minimum.
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/pipe.h"
#include "platform/process.h"
#include "platform/utf8.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: first_frame_bench ROUNDS MARKER PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    const std::string marker = argv[2];
    std::vector<std::wstring> arguments;
    for (int i = 3; i < argc; ++i) arguments.push_back(platform::Utf8ToWideLossy(argv[i]));
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        platform::NativeHandle readEnd = platform::kInvalidHandle, writeEnd = platform::kInvalidHandle;
        if (!platform::CreatePipe(readEnd, writeEnd)) return 1;
        platform::ProcessInfo process;
        std::wstring error;
        const auto start = std::chrono::steady_clock::now();
        if (!platform::SpawnProcess(arguments, {platform::kInvalidHandle, writeEnd, writeEnd}, process, error)) {
            std::fprintf(stderr, "first_frame_bench: %s\n", platform::WideToUtf8(error).c_str());
            return 1;
        }
        platform::CloseHandle(writeEnd);
        std::string output;
        char buffer[4096];
        std::size_t got = 0;
        bool seen = false;
        while (!seen && platform::ReadFile(readEnd, buffer, sizeof buffer, got) && got > 0) {
            output.append(buffer, got);
            seen = output.find(marker) != std::string::npos;
        }
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ::kill(static_cast<pid_t>(process.processId), SIGTERM);
        while (platform::ReadFile(readEnd, buffer, sizeof buffer, got) && got > 0) {
        }
        platform::CloseHandle(readEnd);
        platform::WaitForProcess(process);
        if (!seen) {
            std::fprintf(stderr, "first_frame_bench: no \"%s\" from %s\n%s", marker.c_str(), argv[3], output.c_str());
            return 1;
        }
        std::printf("round %d: %.1f ms\n", round + 1, ms);
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("median %.1f ms, minimum %.1f ms\n", times[times.size() / 2], times.front());
    return 0;
}
