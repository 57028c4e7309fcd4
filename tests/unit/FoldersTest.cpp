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

TEST(Folders, UserFoldersFollowTheirXdgVariableElseHome) {
    ScopedVariable home("HOME", "/home/ada");
    const struct {
        const char* variable;
        std::string (*folder)();
        const char* underHome;
    } cases[] = {
        {"XDG_CONFIG_HOME", platform::UserConfigFolder, "/home/ada/.config"},
        {"XDG_STATE_HOME", platform::UserStateFolder, "/home/ada/.local/state"},
        {"XDG_CACHE_HOME", platform::UserCacheFolder, "/home/ada/.cache"},
    };
    for (const auto& c : cases) {
        {
            ScopedVariable set(c.variable, "/srv/own");
            EXPECT_EQ(c.folder(), "/srv/own") << c.variable;
        }
        for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
            ScopedVariable set(c.variable, unset);
            EXPECT_EQ(c.folder(), c.underHome) << c.variable;
        }
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
