#include "tests/skinui/fuzz_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skin_fuzz::FeedImageString(data, size);
    return 0;
}
