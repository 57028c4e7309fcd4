#include "components/IniFileParser.h"
#include "TempFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "components/Exception.h"

namespace fs = std::filesystem;

struct TIniFileParserTestPeer {
    static bool IsFilledIn(const std::string& text) { return TIniFileParser::IsFilledIn(text); }
};

namespace {

using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

// The message of the exception that setIniFileName throws, or "" when none.
std::string CreationError(TIniFileParser& parser, const std::string& fileName) {
    try {
        parser.setIniFileName(fileName);
    } catch (const Exception& error) {
        return error.what();
    }
    return "";
}

class IniFileParserTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string ini = folder.File("settings.ini");
    TIniFileParser parser;
};

TEST_F(IniFileParserTest, ExistingFileIsLeftUntouched) {
    const std::string content = "\xEF\xBB\xBF; mine\n[Settings]\nRoot=/srv/www\n";
    WriteBytes(ini, content);
    parser.setIniFileName(ini);
    parser.setIniFileName(ini);
    EXPECT_EQ(parser.IniFileName(), ini);
    EXPECT_EQ(ReadBytes(ini), content);
    EXPECT_EQ(parser.ReadVal("settings", "ROOT", ""), "/srv/www");
}

TEST_F(IniFileParserTest, MissingFileIsCreatedEmptyAndFilledByWrites) {
    parser.setIniFileName(ini);
    ASSERT_TRUE(fs::is_regular_file(ini));
    EXPECT_EQ(ReadBytes(ini), "");
    EXPECT_EQ(parser.ReadVal("Settings", "Root", "dflt"), "dflt");

    EXPECT_TRUE(parser.WriteVal("Settings", "Root", ""));
    EXPECT_EQ(ReadBytes(ini), "[Settings]\r\nRoot=\r\n");
    EXPECT_TRUE(parser.WriteVal("Settings", "Project", ""));
    EXPECT_TRUE(parser.WriteVal("settings", "root", "/srv/www"));
    EXPECT_EQ(ReadBytes(ini), "[Settings]\r\nRoot=/srv/www\r\nProject=\r\n");
    EXPECT_EQ(parser.ReadVal("SETTINGS", "Root", "dflt"), "/srv/www");
}

TEST_F(IniFileParserTest, RefusedWriteReturnsFalseAndKeepsTheFile) {
    const std::string content = "[Settings]\r\nRoot=/old\r\n";
    WriteBytes(ini, content);
    parser.setIniFileName(ini);
    ::chmod(ini.c_str(), 0444);
    EXPECT_FALSE(parser.WriteVal("Settings", "Root", "/new"));
    EXPECT_EQ(parser.LastWriteError(), "Permission denied");
    EXPECT_FALSE(parser.WriteVal("Settings", "Root", "line\nbreak"));
    EXPECT_EQ(parser.LastWriteError(), "Invalid argument");
    EXPECT_EQ(ReadBytes(ini), content);
    ::chmod(ini.c_str(), 0644);
    EXPECT_TRUE(parser.WriteVal("Settings", "Root", "/new"));
    EXPECT_EQ(parser.LastWriteError(), "");
}

TEST_F(IniFileParserTest, BlankFileNameTouchesNothing) {
    for (const std::string name : {"", "   ", "\t\r\n "}) {
        SCOPED_TRACE("name of " + std::to_string(name.size()) + " blanks");
        EXPECT_NE(CreationError(parser, name), "");
        EXPECT_EQ(parser.IniFileName(), name);
        EXPECT_EQ(parser.ReadVal("Settings", "Root", "dflt"), "");
        EXPECT_TRUE(parser.WriteVal("Settings", "Root", "x"));
        EXPECT_FALSE(parser.IsSectionFilledIn("Settings"));
        if (!name.empty()) {
            EXPECT_FALSE(fs::exists(fs::symlink_status(name)));
        }
    }
}

TEST_F(IniFileParserTest, CreationFailureNamesTheExpandedFileAndTheCause) {
    WriteBytes(ini, "");
    fs::create_directory(folder.File("folder.ini"));
    const std::string current = fs::current_path().string();
    struct Case {
        std::string name, expected;
    };
    const Case cases[] = {
        {ini + "/inner.ini", "Cannot create file \"" + ini + "/inner.ini\". Not a directory"},
        {folder.File("folder.ini"), "Cannot create file \"" + folder.File("folder.ini") + "\". Is a directory"},
        {folder.File("none/../none/x.ini"),
         "Cannot create file \"" + folder.File("none/x.ini") + "\". No such file or directory"},
        {"no-such-folder-here/settings.ini",
         "Cannot create file \"" + current + "/no-such-folder-here/settings.ini\". No such file or directory"},
        {"  ", "Cannot create file \"" + current + "/  \". Invalid argument"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CreationError(parser, c.name), c.expected);
        EXPECT_EQ(parser.IniFileName(), c.name);
    }
}

TEST_F(IniFileParserTest, SectionIsFilledInWhenEveryValueIsVisible) {
    struct Case {
        const char* name;
        const char* content;  // no file when null
        bool expected;
    };
    const Case cases[] = {
        {"missing file", nullptr, false},
        {"missing section", "[Other]\r\nRoot=x\r\n", false},
        {"section without keys", "[Settings]\r\n; Root=x\r\n[Other]\r\nRoot=x\r\n", false},
        {"one value of spaces", "[Settings]\r\nRoot=/srv\r\nProject=   \r\n", false},
        {"one empty value", "[Settings]\r\nRoot=\r\nProject=p\r\n", false},
        {"one value of empty quotes", "[Settings]\r\nRoot=/srv\r\nProject=\"\"\r\n", false},
        {"every value visible", "[Settings]\r\nRoot=/srv\r\nProject= \"p\" \r\n", true},
        {"later duplicate of a filled key", "[Settings]\r\nRoot=/srv\r\nroot=\r\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(ini);
        if (c.content != nullptr) WriteBytes(ini, c.content);
        TIniFileParser reader;
        if (c.content != nullptr) reader.setIniFileName(ini);
        else EXPECT_NE(CreationError(reader, folder.File("none/settings.ini")), "");
        EXPECT_EQ(reader.IsSectionFilledIn("settings"), c.expected);
    }
}

TEST(IniFileParserIsFilledIn, TrueOnlyForTextAboveU0020) {
    struct Case {
        std::string text;
        bool expected;
    };
    const Case cases[] = {
        {"", false},
        {"    ", false},
        {"\t\r\n\t", false},
        {std::string("\0\x1F \x7F", 4), true},
        {" x ", true},
        {"\xC2\xA0", true},  // U+00A0 is above U+0020
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.text));
        EXPECT_EQ(TIniFileParserTestPeer::IsFilledIn(c.text), c.expected);
    }
}

TEST(IniFileParserApplicationPath, IsTheFolderOfTheRunningProgram) {
    const std::string path = TIniFileParser::ReadApplicationPath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.back(), '/');
    EXPECT_TRUE(fs::is_regular_file(path + "unit_tests"));
}

}  // namespace
