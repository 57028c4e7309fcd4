#include "platform/RegularFile.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace {

// What the reader gives for each kind of name; none of them may block or read on and on.
TEST(RegularFile, ReadsOnlyRegularFilesUpToTheLimit) {
    testsupport::TempFolder folder;
    testsupport::WriteBytes(folder / "small", std::string("abc\0def", 7));
    testsupport::WriteBytes(folder / "eight", std::string(8, 'x'));
    testsupport::WriteBytes(folder / "nine", std::string(9, 'x'));
    testsupport::WriteBytes(folder / "empty", "");
    std::filesystem::create_directory(folder / "folder");
    ASSERT_EQ(::mkfifo(folder.File("fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder / "zero");
    std::filesystem::create_symlink(folder / "eight", folder / "link");
    std::filesystem::create_symlink(folder / "gone", folder / "dangling");

    const struct {
        const char* name;
        int failure;
        std::string bytes;
    } cases[] = {
        {"small", 0, std::string("abc\0def", 7)},
        {"eight", 0, std::string(8, 'x')},
        {"link", 0, std::string(8, 'x')},
        {"empty", 0, ""},
        {"nine", EFBIG, ""},
        {"missing", ENOENT, ""},
        {"dangling", ENOENT, ""},
        {"folder", EISDIR, ""},
        {"fifo", EINVAL, ""},
        {"zero", EINVAL, ""},
    };
    for (const auto& c : cases) {
        std::string bytes = "left over";
        EXPECT_EQ(platform::ReadRegularFile(folder.File(c.name), 8, bytes), c.failure) << c.name;
        EXPECT_EQ(bytes, c.bytes) << c.name;
    }
}

}  // namespace
