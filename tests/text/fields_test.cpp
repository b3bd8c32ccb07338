#include "text/fields.h"
#include <gtest/gtest.h>
TEST(Fields, Placeholder) { std::string_view l = "a;b"; EXPECT_EQ(vqd::NextFieldBy(l, ";"), "a"); }
