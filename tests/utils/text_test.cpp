#include <gtest/gtest.h>

#include "utils/text.h"

TEST(Text, Placeholder) { EXPECT_EQ(Utils::Trim(L"  a "), L"a"); }
