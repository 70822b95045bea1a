// fetch: one download as the installation job runs it, restart included.
#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "commands.h"
#include "download/create_downloader.h"
#include "install/unattended_job.h"
#include "utils/text.h"

namespace {

constexpr const char* kUsage = "fetch --engine N URL FILE";

}  // namespace

int RunFetch(const Arguments& arguments) {
    int engine = 1;
    Arguments positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--engine" && i + 1 < arguments.size()) {
            char* end = nullptr;
            engine = static_cast<int>(std::strtol(arguments[++i].c_str(), &end, 10));
            if (*end != '\0') return UsageError(kUsage);
        } else {
            positional.push_back(arguments[i]);
        }
    }
    if (positional.size() != 2) return UsageError(kUsage);

    std::mutex mutex;
    std::condition_variable finished;
    int exitCode = -1;
    CDownloader* running = nullptr;
    auto callback = [&](std::int32_t code, double value, const wchar_t* text) {
        PrintStatusLine(code, value, text);
        if (code == DL_CODE_RETRY) {
            // As the installation job does: restart from inside the report, on the worker.
            running->Start();
            return;
        }
        if (code != DL_CODE_SUCCESS && code != DL_CODE_FAIL) return;
        std::lock_guard<std::mutex> lock(mutex);
        exitCode = code == DL_CODE_SUCCESS ? 0 : 1;
        finished.notify_all();
    };
    std::unique_ptr<CDownloader> downloader = CreateDownloader(
        engine, callback, Utils::Utf8ToWide(positional[0]), Utils::Utf8ToWide(positional[1]));
    if (!downloader) {
        std::fprintf(stderr, "kelvo-cli: engine %d is not part of this build\n", engine);
        return 1;
    }
    running = downloader.get();
    downloader->Start();
    std::unique_lock<std::mutex> lock(mutex);
    finished.wait(lock, [&] { return exitCode >= 0; });
    lock.unlock();
    downloader.reset();
    return exitCode;
}
