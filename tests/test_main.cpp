// The test programs' entry on Windows: a Unicode program (-municode) starts at wmain, and
// GoogleTest's own main is a narrow one.
#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
