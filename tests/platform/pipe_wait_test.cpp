#include <gtest/gtest.h>

#include "platform/pipe.h"

TEST(Pipe, WaitForReadableSeesDataAndTheEndButNotSilence) {
    platform::NativeHandle readEnd = platform::kInvalidHandle, writeEnd = platform::kInvalidHandle;
    ASSERT_TRUE(platform::CreatePipe(readEnd, writeEnd));
    EXPECT_FALSE(platform::WaitForReadable(readEnd, 0));
    EXPECT_FALSE(platform::WaitForReadable(readEnd, 20));
    ASSERT_TRUE(platform::WriteFile(writeEnd, "x", 1));
    EXPECT_TRUE(platform::WaitForReadable(readEnd, 0));
    char byte = 0;
    std::size_t got = 0;
    EXPECT_TRUE(platform::ReadFile(readEnd, &byte, 1, got));
    platform::CloseHandle(writeEnd);
    EXPECT_TRUE(platform::WaitForReadable(readEnd, 0));  // end of stream: the read does not block
    EXPECT_FALSE(platform::ReadFile(readEnd, &byte, 1, got));
    platform::CloseHandle(readEnd);
    EXPECT_TRUE(platform::WaitForReadable(readEnd, 0));  // no handle: nothing to wait for
}
