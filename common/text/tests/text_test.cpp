#include <gtest/gtest.h>

#include "common/text/text.h"

namespace {

TEST(Text, TrimAndCompare) {
    EXPECT_EQ(common::Trim("  a b\t "), "a b");
    EXPECT_EQ(common::Trim(" \t "), "");
    EXPECT_EQ(common::Trim("x\r\n"), "x\r\n");
    EXPECT_EQ(common::Trim(" x\r\n", common::kBlanksAndLineEnds), "x");
    EXPECT_TRUE(common::EqualsNoCase("Content-Length", "content-LENGTH"));
    EXPECT_FALSE(common::EqualsNoCase("Content-Length", "Content-Length "));
    EXPECT_TRUE(common::StartsWithNoCase("HTTPS://host", "https://"));
    EXPECT_FALSE(common::StartsWithNoCase("http:", "https://"));
}

}  // namespace
