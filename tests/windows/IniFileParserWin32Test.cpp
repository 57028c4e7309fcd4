// The settings component on the system's private-profile functions, in a folder
// whose name is not ASCII, so every path crosses as UTF-16.
#include "components/Exception.h"
#include "components/IniFileParser.h"
#include "tests/unit/TempFolder.h"
#include "platform/PrivateProfile.h"
#include "WineTestSupport.h"

#include "platform/WideTextWin32.h"

#include <windows.h>
// The A/W names of <windows.h> would replace the platform functions' names.
#undef GetPrivateProfileString
#undef WritePrivateProfileString

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>
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

// The file's identity on its volume: an in-place rewrite keeps it, a replacement does not.
unsigned long long FileIndexOf(const std::filesystem::path& file) {
    const HANDLE handle = ::CreateFileW(file.wstring().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = handle != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(handle, &info);
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    return ok ? (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow : 0;
}

TEST_F(IniFileParserWin32Test, WritesReplaceTheFileWholeAndClearLeftoverCopies) {
    WriteBytes(settings, "; kept\r\n[Settings]\r\nRoot=C:\\www\r\n");
    const std::filesystem::path leftover = settingsFolder / ".settings.ini.12345.tmp";
    const std::filesystem::path other = settingsFolder / ".settings.ini.backup";
    WriteBytes(std::filesystem::path(platform::ToWide(leftover.string())), "[Settings]\r\nRoot=half");
    WriteBytes(std::filesystem::path(platform::ToWide(other.string())), "mine");
    TIniFileParser parser;
    parser.setIniFileName(settingsName);
    const unsigned long long before = FileIndexOf(settings);
    ASSERT_NE(before, 0u);

    ASSERT_TRUE(parser.WriteVal("Settings", "Project", "blog"));
    EXPECT_NE(FileIndexOf(settings), before);
    EXPECT_EQ(ReadBytes(settings), "; kept\r\n[Settings]\r\nRoot=C:\\www\r\nProject=blog\r\n");
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(platform::ToWide(settingsFolder.string()))))
        entries.push_back(platform::FromWide(entry.path().filename().wstring()));
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{".settings.ini.backup", "settings.ini"}));
}

TEST_F(IniFileParserWin32Test, BlankEdgedValuesReadBackAndReadOnlyFilesAreRefused) {
    TIniFileParser parser;
    parser.setIniFileName(settingsName);
    for (const std::string value : {" C:\\my www", "C:\\my www ", "\"C:\\www\"", "  "}) {
        ASSERT_TRUE(parser.WriteVal("Settings", "Root", value)) << value;
        EXPECT_EQ(parser.ReadVal("Settings", "Root", "?"), value);
    }
    const std::string before = ReadBytes(settings);
    ASSERT_TRUE(::SetFileAttributesW(settings.wstring().c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(parser.WriteVal("Settings", "Root", "D:\\www"));
    EXPECT_EQ(parser.LastWriteError(), "Permission denied");
    ::SetFileAttributesW(settings.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(settings), before);
}

// Two processes write different keys of one file, each reading its own key back after
// every write: the lock across read, change and replace keeps either from undoing the other.
TEST_F(IniFileParserWin32Test, TwoWritingProcessesLoseNoUpdate) {
    const std::string file = folder.File("shared.ini");
    WriteBytes(std::filesystem::path(file), "[Settings]\r\nRoot=\r\nProject=\r\n");
    constexpr int kWrites = 60;
    std::vector<PROCESS_INFORMATION> children;
    for (const std::string key : {"Root", "Project"}) {
        std::wstring command = platform::ToWide(testsupport::SelfCommand(
            std::string(testsupport::WriteSettingsArgument) + " \"" + file + "\" " + key + " " + std::to_string(kWrites)));
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                     &child));
        children.push_back(child);
    }
    for (const PROCESS_INFORMATION& child : children) {
        ASSERT_EQ(::WaitForSingleObject(child.hProcess, 120000), WAIT_OBJECT_0);
        DWORD code = 999;
        ::GetExitCodeProcess(child.hProcess, &code);
        EXPECT_EQ(code, 0u) << "writes lost by one process (100: a write failed)";
        ::CloseHandle(child.hThread);
        ::CloseHandle(child.hProcess);
    }
    EXPECT_EQ(platform::GetPrivateProfileString("Settings", "Root", "", file), "Root" + std::to_string(kWrites));
    EXPECT_EQ(platform::GetPrivateProfileString("Settings", "Project", "", file),
              "Project" + std::to_string(kWrites));
}

TEST_F(IniFileParserWin32Test, AFileOverSixteenMebibytesIsRefusedUntouched) {
    WriteBytes(settings, "[Settings]\r\nRoot=C:\\www\r\n");
    std::filesystem::resize_file(settings, platform::kMaxProfileFileBytes + 1);
    TIniFileParser parser;
    parser.setIniFileName(settingsName);
    EXPECT_FALSE(parser.WriteVal("Settings", "Project", "blog"));
    EXPECT_EQ(parser.LastWriteError(), std::strerror(EFBIG));
    EXPECT_EQ(std::filesystem::file_size(settings), platform::kMaxProfileFileBytes + 1);
}

}  // namespace
