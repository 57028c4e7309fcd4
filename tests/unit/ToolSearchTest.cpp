#include "platform/ToolSearch.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

void Program(const fs::path& AFile, bool AExecutable) {
    fs::create_directories(AFile.parent_path());
    std::ofstream(AFile) << "#!/bin/sh\n";
    ::chmod(AFile.c_str(), AExecutable ? 0755 : 0644);
}

}  // namespace

// The first folder of the search path with an executable of that name wins; a file
// that cannot run, a folder of that name and a name with a folder are passed over.
TEST(ToolSearch, FindOnSearchPathGivesTheFirstRunnableFile) {
    testsupport::TempFolder temp;
    Program(temp.Path() / "plain" / "composer", false);
    fs::create_directories(temp.Path() / "folder" / "composer");
    Program(temp.Path() / "first" / "composer", true);
    Program(temp.Path() / "second" / "composer", true);
    const char* saved = std::getenv("PATH");
    const std::string savedPath = saved ? saved : "";
    const std::string path = (temp.Path() / "plain").string() + ":" + (temp.Path() / "folder").string() + ":" +
                             (temp.Path() / "first").string() + ":" + (temp.Path() / "second").string();
    ::setenv("PATH", path.c_str(), 1);
    const std::string found = platform::FindOnSearchPath("composer");
    const std::string missing = platform::FindOnSearchPath("composer-none");
    const std::string withFolder = platform::FindOnSearchPath("first/composer");
    const bool onPath = platform::IsOnSearchPath("composer");
    ::setenv("PATH", savedPath.c_str(), 1);

    EXPECT_EQ(found, (temp.Path() / "first" / "composer").string());
    EXPECT_EQ(missing, "");
    EXPECT_EQ(withFolder, "");
    EXPECT_TRUE(onPath);
}
