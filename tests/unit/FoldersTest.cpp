#include "platform/Folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets an environment variable for one scope and puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : FName(name) {
        if (const char* old = std::getenv(name)) FOld = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { FOld ? setenv(FName, FOld->c_str(), 1) : unsetenv(FName); }

private:
    const char* FName;
    std::optional<std::string> FOld;
};

TEST(Folders, UserConfigFolderFollowsXdgConfigHomeElseHome) {
    ScopedVariable home("HOME", "/home/ada");
    {
        ScopedVariable config("XDG_CONFIG_HOME", "/srv/config");
        EXPECT_EQ(platform::UserConfigFolder(), "/srv/config");
    }
    for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
        ScopedVariable config("XDG_CONFIG_HOME", unset);
        EXPECT_EQ(platform::UserConfigFolder(), "/home/ada/.config");
    }
}

TEST(Folders, SystemProgramFoldersAreThoseUnderUsrAndOpt) {
    const struct {
        const char* folder;
        bool system;
    } cases[] = {
        {"/usr/bin/", true},        {"/usr/local/bin/", true}, {"/opt/tarnwick/", true},
        {"/usr/", true},            {"/usr", false},           {"/usrlocal/bin/", false},
        {"/optional/", false},      {"/home/ada/usr/bin/", false},
        {"usr/bin/", false},        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::IsSystemProgramFolder(c.folder), c.system) << c.folder;
}

}  // namespace
