#include "platform/Paths.h"

#include <gtest/gtest.h>

namespace {

TEST(Paths, PosixJoinsWithSlashAndComparesExactText) {
    EXPECT_EQ(platform::JoinPath("/var/www", "blog"), "/var/www/blog");
    EXPECT_EQ(platform::JoinPath("/var/www//", "blog"), "/var/www/blog");
    EXPECT_EQ(platform::JoinPath("/", "blog"), "/blog");
    EXPECT_TRUE(platform::SamePath("/var/www/blog/", "/var/www/blog"));
    EXPECT_FALSE(platform::SamePath("/var/www/Blog", "/var/www/blog"));
    EXPECT_FALSE(platform::SamePath("/", ""));
}

}  // namespace
