#include <gtest/gtest.h>
#include "platform/text/text.h"
TEST(Placeholder, Builds) { EXPECT_EQ(formatInteger(7), "7"); }
