#include "platform/PrivateProfile.h"
#include "TempFolder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::Utf16LeFile;
using testsupport::WriteBytes;

std::string Repeat(const std::string& piece, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += piece;
    return text;
}

mode_t ModeOf(const std::string& fileName) {
    struct stat status {};
    ::stat(fileName.c_str(), &status);
    return status.st_mode & 07777;
}

class PrivateProfileTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string ini = folder.File("settings.ini");
};

TEST_F(PrivateProfileTest, ReadsValuesByTheFileRules) {
    const std::string settings = "[Settings]\r\nRoot=/srv/www\r\n";
    struct Case {
        const char* name;
        std::string content;
        std::string section, key, expected;
    };
    const Case cases[] = {
        {"exact names", settings, "Settings", "Root", "/srv/www"},
        {"names in other letter case", settings, "settings", "ROOT", "/srv/www"},
        {"names with blanks around", settings, " Settings ", "\tRoot ", "/srv/www"},
        {"missing key", settings, "Settings", "Project", "dflt"},
        {"missing section", settings, "Other", "Root", "dflt"},
        {"blanks around header, name and value", "  [ Settings ]  \r\n  Root   =  \t/srv/www \t\r\n",
         "Settings", "Root", "/srv/www"},
        {"double quotes removed, inner blanks kept", "[S]\r\nK= \" a b \" \r\n", "S", "K", " a b "},
        {"single quotes removed", "[S]\r\nK='x'\r\n", "S", "K", "x"},
        {"unmatched quote kept", "[S]\r\nK=\"abc\r\n", "S", "K", "\"abc"},
        {"mixed quotes kept", "[S]\r\nK=\"abc'\r\n", "S", "K", "\"abc'"},
        {"empty quotes give empty value", "[S]\r\nK=\"\"\r\n", "S", "K", ""},
        {"empty value is not the default", "[S]\r\nK=\r\n", "S", "K", ""},
        {"equals sign inside the value", "[S]\r\nK=a=b\r\n", "S", "K", "a=b"},
        {"line without equals is no key", "[S]\r\nK\r\n", "S", "K", "dflt"},
        {"comment line is no key", "[S]\r\n;K=x\r\n  ; K=y\r\n", "S", "K", "dflt"},
        {"key before any section", "K=x\r\n[S]\r\n", "S", "K", "dflt"},
        {"key of another section", "[T]\r\nK=x\r\n[S]\r\n", "S", "K", "dflt"},
        {"first of duplicate keys", "[S]\r\nK=1\r\nk=2\r\n", "S", "K", "1"},
        {"first of duplicate sections", "[S]\r\nK=1\r\n[S]\r\nK=2\r\n", "S", "K", "1"},
        {"key in a repeated section", "[S]\r\nA=1\r\n[T]\r\nK=t\r\n[s]\r\nK=2\r\n", "S", "K", "2"},
        {"comment after section header", "[S] ; main\r\nK=2\r\n", "S", "K", "2"},
        {"LF line ends", "[S]\nA=1\nK=2\n", "S", "K", "2"},
        {"CR line ends", "[S]\rA=1\rK=2\r", "S", "K", "2"},
        {"last line without line end", "[S]\r\nK=2", "S", "K", "2"},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF[S]\r\nK=2\r\n", "S", "K", "2"},
        {"UTF-8 value", "[S]\r\nK=Gr\xC3\xBC\xC3\x9F" "e\r\n", "S", "K", "Gr\xC3\xBC\xC3\x9F" "e"},
        {"UTF-16 LE byte-order mark", Utf16LeFile(u"[S]\r\nK= Gr\u00FC\u00DFe \U0001F600\r\n"), "S",
         "K", "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80"},
        {"UTF-16 LE with LF line ends", Utf16LeFile(u"[s]\nA=1\nK=\"q\"\n"), "S", "K", "q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(ini, c.content);
        EXPECT_EQ(platform::GetPrivateProfileString(c.section, c.key, "dflt", ini), c.expected);
    }
}

TEST_F(PrivateProfileTest, MissingOrUnreadableFileGivesTheDefault) {
    EXPECT_EQ(platform::GetPrivateProfileString("S", "K", "dflt", ini), "dflt");
    EXPECT_EQ(platform::GetPrivateProfileString("S", "K", "dflt", folder.File("")), "dflt");
    EXPECT_EQ(platform::GetPrivateProfileString("S", "K", "dflt", ini + "/below"), "dflt");
    EXPECT_TRUE(platform::GetPrivateProfileKeyNames("S", ini).empty());
}

TEST_F(PrivateProfileTest, ValuesAreCutTo2047Characters) {
    const std::string a2046 = Repeat("a", 2046);
    const std::string smiley = "\xF0\x9F\x98\x80";
    struct Case {
        const char* name;
        std::string value, expected;
    };
    const Case cases[] = {
        {"2047 characters kept", Repeat("x", 2047), Repeat("x", 2047)},
        {"2048 characters cut", Repeat("x", 2048), Repeat("x", 2047)},
        {"two-byte characters counted as one", Repeat("\xC3\xA9", 3000), Repeat("\xC3\xA9", 2047)},
        {"four-byte character at the cut stays whole", a2046 + smiley + "b", a2046 + smiley},
        {"quotes removed before the cut", "\"" + Repeat("q", 3000) + "\"", Repeat("q", 2047)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(ini, "[S]\r\nK=" + c.value + "\r\n");
        EXPECT_EQ(platform::GetPrivateProfileString("S", "K", "", ini), c.expected);
    }
    EXPECT_EQ(platform::GetPrivateProfileString("S", "Missing", Repeat("d", 3000), ini), Repeat("d", 2047));
}

TEST_F(PrivateProfileTest, ListsKeyNamesInFileOrder) {
    WriteBytes(ini,
               "; head\r\n[Other]\r\nz=0\r\n[S]\r\nb=1\r\n; c=3\r\nnot a key\r\na=\r\n\r\n"
               "[T]\r\nx=9\r\n[s]\r\nc=3\r\nB=again\r\n[Empty]\r\n");
    EXPECT_EQ(platform::GetPrivateProfileKeyNames("s", ini), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_TRUE(platform::GetPrivateProfileKeyNames("Empty", ini).empty());
    EXPECT_TRUE(platform::GetPrivateProfileKeyNames("Missing", ini).empty());
}

TEST_F(PrivateProfileTest, WriteChangesOnlyWhatItMust) {
    struct Case {
        const char* name;
        std::optional<std::string> before;  // no file when empty
        std::string section, key, value, after;
    };
    const std::string keep =
        "; settings\r\n[Other]\r\nRoot=keep\r\n\r\n[Settings]\r\n; the web root\r\nRoot=%\r\n"
        "Project=p\r\n\r\n[Last]\r\nk=v\r\n";
    const auto withRoot = [&](const std::string& root) {
        std::string text = keep;
        return text.replace(text.find('%'), 1, root);
    };
    const Case cases[] = {
        {"missing file created", std::nullopt, "Settings", "Root", "/srv", "[Settings]\r\nRoot=/srv\r\n"},
        {"empty file", "", "Settings", "Root", "", "[Settings]\r\nRoot=\r\n"},
        {"names trimmed", "", " S ", " K\t", "v", "[S]\r\nK=v\r\n"},
        {"value replaced in place", withRoot("/old"), "Settings", "Root", "/new", withRoot("/new")},
        {"file spelling of names kept", "[Settings]\r\n  Root = old \r\n", "SETTINGS", "root", "new",
         "[Settings]\r\nRoot=new\r\n"},
        {"LF line ends kept", "[S]\nA=1\nB=2\n", "S", "A", "x", "[S]\nA=x\nB=2\n"},
        {"new key after the section's last key", "[S]\r\nA=1\r\n\r\n[T]\r\nB=2\r\n", "S", "C", "3",
         "[S]\r\nA=1\r\nC=3\r\n\r\n[T]\r\nB=2\r\n"},
        {"new key in LF file ends in CR LF", "[S]\nA=1\n", "S", "B", "2", "[S]\nA=1\nB=2\r\n"},
        {"new key in section without keys", "[S]\r\n[T]\r\n", "s", "A", "1", "[S]\r\nA=1\r\n[T]\r\n"},
        {"new key after unterminated last line", "[S]\r\nA=1", "S", "B", "2", "[S]\r\nA=1\r\nB=2\r\n"},
        {"new section at the end", "[T]\r\nB=2", "S", "A", "1", "[T]\r\nB=2\r\n[S]\r\nA=1\r\n"},
        {"first duplicate replaced", "[S]\r\nA=1\r\n[S]\r\nA=2\r\n", "S", "A", "x",
         "[S]\r\nA=x\r\n[S]\r\nA=2\r\n"},
        {"UTF-8 byte-order mark kept", "\xEF\xBB\xBF", "Settings", "Root", "",
         "\xEF\xBB\xBF[Settings]\r\nRoot=\r\n"},
        {"UTF-8 value written as is", "", "S", "K", "Gr\xC3\xBC\xC3\x9F" "e",
         "[S]\r\nK=Gr\xC3\xBC\xC3\x9F" "e\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(ini);
        if (c.before) WriteBytes(ini, *c.before);
        ASSERT_TRUE(platform::WritePrivateProfileString(c.section, c.key, c.value, ini));
        EXPECT_EQ(ReadBytes(ini), c.after);
        EXPECT_EQ(folder.Entries(), std::vector<std::string>{"settings.ini"});
    }
}

TEST_F(PrivateProfileTest, AWriteOfTheStoredValueLeavesTheFileAsItIs) {
    WriteBytes(ini, "[Settings]\r\nRoot=/srv\r\n");
    const auto inode = [this] {
        struct stat status {};
        ::stat(ini.c_str(), &status);
        return status.st_ino;
    };
    const auto before = inode();
    ASSERT_TRUE(platform::WritePrivateProfileString("Settings", "Root", "/srv", ini));
    EXPECT_EQ(inode(), before) << "the file was replaced by the same bytes";
    ASSERT_TRUE(platform::WritePrivateProfileString("Settings", "Root", "/www", ini));
    EXPECT_NE(inode(), before);
    EXPECT_EQ(ReadBytes(ini), "[Settings]\r\nRoot=/www\r\n");
}

TEST_F(PrivateProfileTest, WriteKeepsAUtf16FileInUtf16) {
    // The comment holds an unpaired surrogate, which must survive untouched.
    WriteBytes(ini, Utf16LeFile(u"[S]\r\nA=1\r\n; Gr\u00FC\u00DFe \xD800!\r\n"));
    ASSERT_TRUE(platform::WritePrivateProfileString("S", "A", "\xC3\xBC\xF0\x9F\x98\x80", ini));
    ASSERT_TRUE(platform::WritePrivateProfileString("T", "B", "2", ini));
    EXPECT_EQ(ReadBytes(ini),
              Utf16LeFile(u"[S]\r\nA=\u00FC\U0001F600\r\n; Gr\u00FC\u00DFe \xD800!\r\n[T]\r\nB=2\r\n"));
    EXPECT_EQ(platform::GetPrivateProfileString("S", "A", "", ini), "\xC3\xBC\xF0\x9F\x98\x80");
}

TEST_F(PrivateProfileTest, WriteKeepsPermissionBitsAndFollowsLinks) {
    WriteBytes(ini, "[S]\r\nA=1\r\n");
    ::chmod(ini.c_str(), 0640);
    ASSERT_TRUE(platform::WritePrivateProfileString("S", "A", "2", ini));
    EXPECT_EQ(ModeOf(ini), 0640u);

    const std::string link = folder.File("link.ini");
    fs::create_symlink(ini, link);
    ASSERT_TRUE(platform::WritePrivateProfileString("S", "A", "3", link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(ini), "[S]\r\nA=3\r\n");
}

TEST_F(PrivateProfileTest, RefusedWriteLeavesEverythingAsItWas) {
    const std::string original = "; keep\r\n[S]\r\nA=1\r\n";
    struct Case {
        const char* name;
        std::function<std::string()> target;  // prepares the folder, gives the file name
        std::string section, key, value;
        int error;
    };
    const auto withMode = [&](mode_t mode) {
        return [&, mode] {
            ::chmod(ini.c_str(), mode);
            return ini;
        };
    };
    const auto plain = [&] { return ini; };
    const Case cases[] = {
        {"read-only file", withMode(0444), "S", "A", "2", EACCES},
        {"file without any permission", withMode(0000), "S", "A", "2", EACCES},
        {"folder of that name", [&] { fs::create_directory(folder.File("dir.ini")); return folder.File("dir.ini"); },
         "S", "A", "2", EISDIR},
        {"parent is a regular file", [&] { return ini + "/inner.ini"; }, "S", "A", "2", ENOTDIR},
        {"missing folder", [&] { return folder.File("none/x.ini"); }, "S", "A", "2", ENOENT},
        {"line break in value", plain, "S", "A", "2\r\n[T]", EINVAL},
        {"line break in section", plain, "S\nT", "A", "2", EINVAL},
        {"equals sign in key", plain, "S", "A=B", "2", EINVAL},
        {"key that reads as a section", plain, "S", "[A]", "2", EINVAL},
        {"key that reads as a comment", plain, "S", ";A", "2", EINVAL},
        {"empty file name", [] { return std::string(); }, "S", "A", "2", EINVAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder.File("dir.ini"));
        ::chmod(ini.c_str(), 0644);
        WriteBytes(ini, original);
        const std::string target = c.target();
        const auto entriesBefore = folder.Entries();
        const mode_t modeBefore = ModeOf(ini);
        errno = 0;
        EXPECT_FALSE(platform::WritePrivateProfileString(c.section, c.key, c.value, target));
        EXPECT_EQ(errno, c.error);
        EXPECT_EQ(ReadBytes(ini), original);
        EXPECT_EQ(ModeOf(ini), modeBefore);
        EXPECT_EQ(folder.Entries(), entriesBefore);
    }
}

// A write that runs out of room (here: the file size limit) fails and leaves
// the old file whole. It runs in a child process so that the limit stays there.
TEST_F(PrivateProfileTest, WriteThatFailsMidwayKeepsTheOldFile) {
    const std::string original = "[S]\r\nA=1\r\n";
    WriteBytes(ini, original);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool written = platform::WritePrivateProfileString("S", "A", Repeat("v", 65536), ini);
        ::_exit(written ? 0 : (errno == EFBIG ? 1 : 2));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadBytes(ini), original);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"settings.ini"});
}

TEST_F(PrivateProfileTest, ValuesWithBlanksOrQuotesAtTheirEndsReadBackAsWritten) {
    struct Case {
        std::string value, line;
    };
    const Case cases[] = {
        {" /srv/www", "Root=\" /srv/www\""},
        {"/srv/my www ", "Root=\"/srv/my www \""},
        {"\tproj\t", "Root=\"\tproj\t\""},
        {"\"quoted\"", "Root=\"\"quoted\"\""},
        {"'single'", "Root=\"'single'\""},
        {" ", "Root=\" \""},
        {"/srv/my www", "Root=/srv/my www"},
        {"a \"b\" c", "Root=a \"b\" c"},
        {"\"open", "Root=\"open"},
        {"", "Root="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("[" + c.value + "]");
        fs::remove(ini);
        ASSERT_TRUE(platform::WritePrivateProfileString("Settings", "Root", c.value, ini));
        EXPECT_EQ(ReadBytes(ini), "[Settings]\r\n" + c.line + "\r\n");
        EXPECT_EQ(platform::GetPrivateProfileString("Settings", "Root", "?", ini), c.value);
    }
}

// Two processes write different keys of one file, each reading its own key back after
// every write: without a lock across read, change and replace, one undoes the other.
TEST_F(PrivateProfileTest, TwoWritingProcessesLoseNoUpdate) {
    WriteBytes(ini, "[Settings]\r\nRoot=\r\nProject=\r\n");
    constexpr int kWrites = 100;
    std::vector<pid_t> children;
    for (const std::string key : {"Root", "Project"}) {
        const pid_t child = ::fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            int lost = 0;
            for (int i = 1; i <= kWrites; ++i) {
                const std::string value = key + std::to_string(i);
                if (!platform::WritePrivateProfileString("Settings", key, value, ini)) ::_exit(100);
                if (platform::GetPrivateProfileString("Settings", key, "", ini) != value) ++lost;
            }
            ::_exit(std::min(lost, 99));
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "writes lost by one process (100: a write failed)";
    }
    EXPECT_EQ(platform::GetPrivateProfileString("Settings", "Root", "", ini), "Root" + std::to_string(kWrites));
    EXPECT_EQ(platform::GetPrivateProfileString("Settings", "Project", "", ini), "Project" + std::to_string(kWrites));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"settings.ini"});
}

// A writer killed part-way leaves its temporary file behind: it must never have been
// readable by more users than the settings file, and the next write removes it.
TEST_F(PrivateProfileTest, AnInterruptedWritesTemporaryFileIsPrivateAndRemovedLater) {
    const std::string original = "[Settings]\r\nRoot=secret\r\n";
    WriteBytes(ini, original);
    ::chmod(ini.c_str(), 0600);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        ::umask(022);
        // Past the file size limit the write is ended by SIGXFSZ, as by kill -9.
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        platform::WritePrivateProfileString("Settings", "Project", Repeat("v", 65536), ini);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(ReadBytes(ini), original);
    const auto left = folder.Entries();
    ASSERT_EQ(left.size(), 2u);
    const std::string temporary = left[0];
    EXPECT_EQ(temporary.substr(0, 14), ".settings.ini.");
    EXPECT_EQ(ModeOf(folder.File(temporary)) & 077, 0u);

    // Files of other names are not ours and stay.
    WriteBytes(folder.File(".settings.ini.backup"), "mine");
    WriteBytes(folder.File(".settings.ini.1.tmp.keep"), "mine");
    ASSERT_TRUE(platform::WritePrivateProfileString("Settings", "Project", "p", ini));
    EXPECT_EQ(folder.Entries(),
              (std::vector<std::string>{".settings.ini.1.tmp.keep", ".settings.ini.backup", "settings.ini"}));
    EXPECT_EQ(ModeOf(ini), 0600u);
}

TEST_F(PrivateProfileTest, AFileOverSixteenMebibytesIsRefusedUntouched) {
    const std::string head = "[Settings]\r\nRoot=/srv\r\n";
    WriteBytes(ini, head);
    fs::resize_file(ini, platform::kMaxProfileFileBytes + 1);
    const auto written = fs::last_write_time(ini);
    errno = 0;
    EXPECT_FALSE(platform::WritePrivateProfileString("Settings", "Project", "p", ini));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_EQ(platform::GetPrivateProfileString("Settings", "Root", "dflt", ini), "dflt");
    EXPECT_EQ(fs::file_size(ini), platform::kMaxProfileFileBytes + 1);
    EXPECT_EQ(fs::last_write_time(ini), written);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"settings.ini"});

    // At the bound it is still read.
    fs::resize_file(ini, platform::kMaxProfileFileBytes);
    EXPECT_EQ(platform::GetPrivateProfileString("Settings", "Root", "dflt", ini), "/srv");
}

// A file of a million short lines, under the size bound, is read in one pass per value
// and listed without comparing every name with every other (a quadratic listing would not
// end within the test's time limit; the time itself is the benchmark's to measure).
TEST_F(PrivateProfileTest, AMillionLinesUnderTheBoundAreReadAndListed) {
    std::string text = "[Many]\r\n";
    for (int i = 0; i < 1000000; ++i) text += "k" + std::to_string(i) + "=v\r\n";
    text += "[Settings]\r\nRoot=/srv\r\n";
    ASSERT_LT(text.size(), platform::kMaxProfileFileBytes);
    WriteBytes(ini, text);

    for (int i = 0; i < 10; ++i) EXPECT_EQ(platform::GetPrivateProfileString("Settings", "Root", "", ini), "/srv");
    const auto names = platform::GetPrivateProfileKeyNames("Many", ini);
    EXPECT_EQ(names.size(), 1000000u);
    EXPECT_EQ(names.back(), "k999999");
}

}  // namespace
