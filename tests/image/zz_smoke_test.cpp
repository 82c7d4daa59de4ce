#include <gtest/gtest.h>
int BrindolSmoke();
TEST(Smoke, Works) { EXPECT_EQ(BrindolSmoke(), 1); }
