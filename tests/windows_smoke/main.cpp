#include <gtest/gtest.h>

// Windows programs of the installer start at wmain or wWinMain (-municode) and get their
// arguments in UTF-16; the test program starts the same way.
int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
