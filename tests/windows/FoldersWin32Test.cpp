// The user's and the system's folders as Windows names them.
#include "platform/Folders.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>

namespace {

TEST(FoldersWin32, UserConfigFolderIsAppData) {
    const char* appData = std::getenv("APPDATA");
    ASSERT_NE(appData, nullptr);
    EXPECT_EQ(platform::UserConfigFolder(), appData);
}

TEST(FoldersWin32, ProgramFilesFoldersAreSystemProgramFolders) {
    const char* programFiles = std::getenv("ProgramFiles");
    ASSERT_NE(programFiles, nullptr);
    const std::string root = programFiles;  // for example C:\Program Files
    std::string forward = root;
    for (char& c : forward)
        if (c == '\\') c = '/';
    std::string lower = root;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    EXPECT_TRUE(platform::IsSystemProgramFolder(root + "\\Tarnwick\\bin\\"));
    EXPECT_TRUE(platform::IsSystemProgramFolder(forward + "/Tarnwick/"));  // as the program passes it
    EXPECT_TRUE(platform::IsSystemProgramFolder(lower + "\\Tarnwick\\"));   // letter case aside
    EXPECT_FALSE(platform::IsSystemProgramFolder(root));                    // the folder itself
    EXPECT_FALSE(platform::IsSystemProgramFolder(root + " Extra\\Tarnwick\\"));
    EXPECT_FALSE(platform::IsSystemProgramFolder("C:\\Tools\\Tarnwick\\"));
    EXPECT_FALSE(platform::IsSystemProgramFolder(""));
}

}  // namespace
