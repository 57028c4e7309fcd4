#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PathsWin32Test, SamePathTakesEitherSeparatorAnyCaseAndNoEndSeparator) {
    const struct {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"C:\\www\\blog", "C:\\www\\blog", true},
        {"C:\\www\\blog", "c:/WWW/Blog/", true},
        {"C:\\www\\blog\\\\", "C:\\www\\blog", true},
        {"C:\\", "c:/", true},
        {"C:\\Www\\\xC3\x84rger", "c:\\www\\\xC3\xA4rger", true},  // Ärger, ärger
        {"C:\\www\\blog", "C:\\www\\blog2", false},
        {"C:\\www\\blog", "D:\\www\\blog", false},
        {"C:\\www\\blog", "C:\\www", false},
        {"C:\\", "C:", false},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::SamePath(c.a, c.b), c.same) << c.a << " | " << c.b;
}

TEST(PathsWin32Test, JoinAndNativeUseBackslashes) {
    EXPECT_EQ(platform::NativePath("C:/www/blog"), "C:\\www\\blog");
    EXPECT_EQ(platform::JoinPath("C:/www", "blog"), "C:\\www\\blog");
    EXPECT_EQ(platform::JoinPath("C:\\www\\", "blog"), "C:\\www\\blog");
    EXPECT_EQ(platform::JoinPath("C:\\", "blog"), "C:\\blog");
    EXPECT_EQ(platform::JoinPath("\\\\server\\share", "blog"), "\\\\server\\share\\blog");
}

}  // namespace
