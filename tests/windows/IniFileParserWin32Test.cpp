// The settings component on the system's private-profile functions, in a folder
// whose name is not ASCII, so every path crosses as UTF-16.
#include "components/Exception.h"
#include "components/IniFileParser.h"
#include "tests/unit/TempFolder.h"

#include "platform/WideTextWin32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

class IniFileParserWin32Test : public ::testing::Test {
protected:
    TempFolder folder;
    std::filesystem::path settingsFolder = folder / "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93";
    std::filesystem::path settings;
    std::string settingsName;

    void SetUp() override {
        std::filesystem::create_directory(
            std::filesystem::path(platform::ToWide(settingsFolder.string())));
        settings = std::filesystem::path(platform::ToWide(settingsFolder.string() + "\\settings.ini"));
        settingsName = settingsFolder.string() + "\\settings.ini";
    }
};

TEST_F(IniFileParserWin32Test, WritesReachTheDiskAndReadBack) {
    TIniFileParser parser;
    parser.setIniFileName(settingsName);
    ASSERT_TRUE(std::filesystem::exists(settings));
    EXPECT_EQ(std::filesystem::file_size(settings), 0u);

    EXPECT_TRUE(parser.WriteVal("Settings", "Root", "C:\\www"));
    EXPECT_TRUE(parser.WriteVal("Settings", "Project", "blog"));
    EXPECT_EQ(ReadBytes(settings), "[Settings]\r\nRoot=C:\\www\r\nProject=blog\r\n");
    EXPECT_TRUE(parser.WriteVal("SETTINGS", "root", "D:\\sites"));
    EXPECT_EQ(ReadBytes(settings), "[Settings]\r\nRoot=D:\\sites\r\nProject=blog\r\n");

    EXPECT_EQ(parser.ReadVal("settings", "ROOT", "none"), "D:\\sites");
    EXPECT_EQ(parser.ReadVal("Settings", "Missing", "none"), "none");
    EXPECT_EQ(parser.ReadVal("Other", "Root", "none"), "none");
    EXPECT_TRUE(parser.IsSectionFilledIn("settings"));
    EXPECT_TRUE(parser.WriteVal("Settings", "Project", " "));
    EXPECT_FALSE(parser.IsSectionFilledIn("Settings"));
    EXPECT_FALSE(parser.IsSectionFilledIn("Other"));
}

TEST_F(IniFileParserWin32Test, ExistingFileIsKeptAndReadByTheRules) {
    WriteBytes(settings, "; kept\r\n[settings]\r\n  root =  \"C:\\my www\"  \r\nProject=" + std::string(3000, 'p') +
                             "\r\n");
    TIniFileParser parser;
    parser.setIniFileName(settingsName);
    EXPECT_EQ(parser.ReadVal("Settings", "Root", ""), "C:\\my www");
    EXPECT_EQ(parser.ReadVal("Settings", "Project", ""), std::string(2047, 'p'));
}

TEST_F(IniFileParserWin32Test, RefusedAndFailedWritesReturnFalse) {
    TIniFileParser parser;
    parser.setIniFileName(settingsName);
    ASSERT_TRUE(parser.WriteVal("Settings", "Root", "C:\\www"));
    const std::string before = ReadBytes(settings);
    EXPECT_FALSE(parser.WriteVal("Settings", "Root", "C:\\www\r\n[Injected]"));
    EXPECT_FALSE(parser.WriteVal("Settings", "Ro=ot", "x"));
    EXPECT_EQ(ReadBytes(settings), before);

    // A folder is not a settings file; its name is kept all the same, and writes fail.
    TIniFileParser onFolder;
    EXPECT_THROW(onFolder.setIniFileName(settingsFolder.string()), Exception);
    EXPECT_FALSE(onFolder.WriteVal("Settings", "Root", "C:\\www"));
}

}  // namespace
