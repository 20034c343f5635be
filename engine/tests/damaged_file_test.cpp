#include <gtest/gtest.h>
TEST(Damaged, Placeholder) {}
