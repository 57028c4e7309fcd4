// The portable INI rules (platform/PrivateProfileText.h) against the system's own
// private-profile functions, on the same files. Each table row states what the
// system gives; where the portable rules give something else on purpose, the row
// says what and why.
#include "platform/PrivateProfile.h"
#include "platform/PrivateProfileText.h"
#include "platform/WideTextWin32.h"

#include <windows.h>
#undef GetPrivateProfileString
#undef WritePrivateProfileString

#include <gtest/gtest.h>

#include "TempFolder.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using platform::ToWide;
using testsupport::ReadBytes;
using testsupport::Utf16LeFile;
using testsupport::WriteBytes;

// A fresh folder for one test that hands out new file names in it.
class ScratchFolder {
public:
    // A new file name in the folder, different on every call.
    std::string NewFile() { return (FFolder.Path() / ("f" + std::to_string(FCount++) + ".ini")).string(); }

private:
    testsupport::TempFolder FFolder{"tarnwick-ini"};
    unsigned FCount = 0;
};

const std::string kSettings = "[Settings]\r\nRoot=C:\\www\r\n";
const std::string k3000 = std::string(3000, 'x');

// Why the portable rules differ from the system in a row.
constexpr const char* kRepeatedSections =
    "the portable rules read every section of a name as one; the system reads only the first";
constexpr const char* kCommentKeys =
    "the portable rules take a line starting with \";\" as a comment; the system finds it by name";
constexpr const char* kUnclosedHeader =
    "the portable rules open a section at \"[\" without \"]\"; the system does not";
constexpr const char* kDefaultAsGiven =
    "the portable rules return the default as given; the system drops its trailing blanks and quotes";
constexpr const char* kEightBitFiles =
    "8-bit files are UTF-8 to the portable rules; the system reads and writes them in the ANSI code page";
constexpr const char* kUntouchedLines =
    "the portable rules leave every other line as it was; the system writes the whole file anew "
    "(CR LF, no blank lines, no blanks around names and values)";
constexpr const char* kCharacterCount =
    "the portable rules count characters; the system counts UTF-16 units, and the half character is dropped";
constexpr const char* kEmptyKeyName =
    "the portable rules list a key without a name as \"\"; in the system's list of null-terminated names it "
    "is the empty name that ends the list";
constexpr const char* kRepeatedKeyNames =
    "the portable rules list a name once, from every section of that name; the system lists each key line "
    "of the first section";

TEST(IniDifferentialTest, ReadsAgreeWithTheSystem) {
    ASSERT_EQ(::GetACP(), 1252u);  // the 8-bit rows below are written in code page 1252
    struct Case {
        const char* name;
        std::optional<std::string> file;  // nothing: no such file
        std::string section, key, defaultValue;
        std::string expected;                    // the system's result
        std::optional<std::string> portable = {};  // the portable result where it differs
        const char* why = nullptr;
    };
    const std::string a2046 = std::string(2046, 'a');
    const Case cases[] = {
        {"exact names", kSettings, "Settings", "Root", "d", "C:\\www"},
        {"names in other letter case", "[settings]\r\nROOT=x\r\n", "SETTINGS", "root", "d", "x"},
        {"names with blanks around", kSettings, " Settings ", "\tRoot ", "d", "C:\\www"},
        {"missing key", kSettings, "Settings", "Project", "dflt", "dflt"},
        {"missing section", kSettings, "Other", "Root", "dflt", "dflt"},
        {"missing file", std::nullopt, "Settings", "Root", "dflt", "dflt"},
        {"blanks around header, name and value", "  [ S ]  \r\n  k   =  \t v w \t\r\n", "S", "k", "d", "v w"},
        {"double quotes removed, inner blanks kept", "[S]\r\nk= \" v \" \r\n", "S", "k", "d", " v "},
        {"single quotes removed", "[S]\r\nk='v'\r\n", "S", "k", "d", "v"},
        {"unmatched quote kept", "[S]\r\nk=\"v\r\n", "S", "k", "d", "\"v"},
        {"mixed quotes kept", "[S]\r\nk=\"v'\r\n", "S", "k", "d", "\"v'"},
        {"lone quote kept", "[S]\r\nk=\"\r\n", "S", "k", "d", "\""},
        {"empty value is not the default", "[S]\r\nk=\r\n", "S", "k", "d", ""},
        {"equals sign inside the value", "[S]\r\nk=a=b\r\n", "S", "k", "d", "a=b"},
        {"semicolon inside the value", "[S]\r\nk=v ; note\r\n", "S", "k", "d", "v ; note"},
        {"line without equals is no key", "[S]\r\nk\r\n", "S", "k", "d", "d"},
        {"empty key name", "[S]\r\n=v\r\n", "S", "", "d", "v"},
        {"tab inside a key name", "[S]\r\nk\tx=v\r\n", "S", "k\tx", "d", "v"},
        {"first of duplicate keys", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "d", "1"},
        {"text after the header", "[S] ; main\r\nk=v\r\n", "S", "k", "d", "v"},
        {"LF line ends", "[S]\nk=v\nj=w", "S", "j", "d", "w"},
        {"CR line ends", "[S]\rk=v\rj=w\r", "S", "j", "d", "w"},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF[S]\r\nk=caf\xC3\xA9\r\n", "S", "k", "d", "caf\xC3\xA9"},
        {"UTF-16 LE byte-order mark", Utf16LeFile(u"[s]\r\nK= Gr\u00FC\u00DFe \u0414\r\n"), "S", "k", "d",
         "Gr\xC3\xBC\xC3\x9F" "e \xD0\x94"},
        {"non-ASCII names match only exactly", "\xEF\xBB\xBF[S]\r\nK\xC3\x89Y=v\r\n", "S", "k\xC3\xA9y", "d", "d"},
        {"2047 characters of a value", "[S]\r\nk=" + k3000 + "\r\n", "S", "k", "d", std::string(2047, 'x')},
        {"2047 characters of the default", "[S]\r\n", "S", "k", k3000, std::string(2047, 'x')},
        {"quotes removed before the cut", "[S]\r\nk=\"" + k3000 + "\"\r\n", "S", "k", "d",
         std::string(2047, 'x')},
        {"cut counts a non-ASCII character once", Utf16LeFile(u"[S]\r\nk=" + std::u16string(2046, u'a') + u"\u00E9z\r\n"),
         "S", "k", "d", a2046 + "\xC3\xA9"},

        {"cut through a character beyond U+FFFF",
         Utf16LeFile(u"[S]\r\nk=" + std::u16string(2046, u'a') + u"\U0001F600b\r\n"), "S", "k", "d", a2046,
         a2046 + "\xF0\x9F\x98\x80", kCharacterCount},
        {"key in a repeated section", "[S]\r\na=1\r\n[T]\r\n[s]\r\nb=2\r\n", "S", "b", "d", "d", "2",
         kRepeatedSections},
        {"key that starts with a semicolon", "[S]\r\n;k=v\r\n", "S", ";k", "d", "v", "d", kCommentKeys},
        {"header without closing bracket", "[S\r\nk=v\r\n", "S", "k", "d", "d", "v", kUnclosedHeader},
        {"default with blanks around", "[S]\r\n", "S", "k", "  d  ", "  d", "  d  ", kDefaultAsGiven},
        {"default in quotes", "[S]\r\n", "S", "k", "\"d\"", "d", "\"d\"", kDefaultAsGiven},
        {"8-bit file", "[S]\r\nk=caf\xE9\r\n", "S", "k", "d", "caf\xC3\xA9", "caf\xE9",
         kEightBitFiles},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = folder.NewFile();
        if (c.file) WriteBytes(file, *c.file);
        EXPECT_EQ(platform::GetPrivateProfileString(c.section, c.key, c.defaultValue, file), c.expected);
        const std::string portable =
            platform::portable::ReadProfileValue(c.section, c.key, c.defaultValue, c.file.value_or(""));
        if (c.portable) {
            SCOPED_TRACE(c.why);
            EXPECT_NE(*c.portable, c.expected);
        }
        EXPECT_EQ(portable, c.portable.value_or(c.expected));
    }
}

TEST(IniDifferentialTest, KeyListsAgreeWithTheSystem) {
    using Names = std::vector<std::string>;
    struct Case {
        const char* name;
        std::optional<std::string> file;
        std::string section;
        Names expected;
        std::optional<Names> portable = {};
        const char* why = nullptr;
    };
    // More names than the first buffer of the system's list holds.
    std::string manyKeys = "[S]\r\n";
    Names manyNames;
    for (int i = 0; i < 700; ++i) {
        manyNames.push_back("Key" + std::to_string(100000 + i));
        manyKeys += manyNames.back() + "=" + std::to_string(i) + "\r\n";
    }
    const Case cases[] = {
        {"700 names", manyKeys, "S", manyNames},
        {"file order, spelling of the file", "[S]\r\nb=1\r\nA=2\r\nc=3\r\n", "s", {"b", "A", "c"}},
        {"comments, lines without equals and blank lines skipped",
         "; head\r\n[S]\r\nb=1\r\n; c=3\r\nnot a key\r\n\r\na=\r\n[T]\r\nx=9\r\n", "S", {"b", "a"}},
        {"section without keys", "[S]\r\n[T]\r\nx=1\r\n", "S", {}},
        {"missing section", kSettings, "Other", {}},
        {"missing file", std::nullopt, "S", {}},
        {"UTF-16 LE file", Utf16LeFile(u"[S]\r\n\u00C9t\u00E9=1\r\nk=2\r\n"), "S", {"\xC3\x89t\xC3\xA9", "k"}},
        {"a name twice and a repeated section", "[s]\r\nb=1\r\nA=2\r\nB=3\r\n[T]\r\nz=1\r\n[S]\r\nd=4\r\n", "S",
         {"b", "A", "B"}, Names{"b", "A", "d"}, kRepeatedKeyNames},
        {"key without a name", "[S]\r\na=1\r\n=v\r\nb=2\r\n", "S", {"a"}, Names{"a", "", "b"}, kEmptyKeyName},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = folder.NewFile();
        if (c.file) WriteBytes(file, *c.file);
        EXPECT_EQ(platform::GetPrivateProfileKeyNames(c.section, file), c.expected);
        const Names portable = platform::portable::ProfileKeyNames(c.section, c.file.value_or(""));
        if (c.portable) {
            SCOPED_TRACE(c.why);
            EXPECT_NE(*c.portable, c.expected);
        }
        EXPECT_EQ(portable, c.portable.value_or(c.expected));
    }
}

TEST(IniDifferentialTest, WritesAgreeWithTheSystem) {
    struct Write {
        std::string section, key, value;
        const char* readsBack = nullptr;  // nothing: the value itself
    };
    struct Case {
        const char* name;
        std::optional<std::string> file;
        std::vector<Write> writes;
        std::string expected;  // the file as the system leaves it
        std::optional<std::string> portable = {};
        const char* why = nullptr;
    };
    const Case cases[] = {
        {"new file, section and keys", std::nullopt,
         {{"Settings", "Root", "C:\\www"}, {"Settings", "Project", "blog"}},
         "[Settings]\r\nRoot=C:\\www\r\nProject=blog\r\n"},
        {"value replaced in place, spelling of the file kept", "[A]\r\nx=1\r\n[Settings]\r\nroot=old\r\nProject=p\r\n",
         {{"settings", "ROOT", "new"}}, "[A]\r\nx=1\r\n[Settings]\r\nroot=new\r\nProject=p\r\n"},
        {"first of duplicate keys replaced", "[A]\r\nx=1\r\nx=2\r\n", {{"A", "x", "3"}}, "[A]\r\nx=3\r\nx=2\r\n"},
        {"names trimmed", "[A]\r\nx=1\r\n", {{" A ", " x ", "2"}}, "[A]\r\nx=2\r\n"},
        {"new section after a last line without line end", "[A]\r\nx=1", {{"B", "y", "2"}},
         "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
        {"empty value as given, a value in quotes quoted again", "[A]\r\nx=1\r\n",
         {{"A", "x", ""}, {"A", "q", "\"v\""}, {"A", "s", "'v'"}}, "[A]\r\nx=\r\nq=\"\"v\"\"\r\ns=\"'v'\"\r\n"},
        {"values with blanks at their ends in quotes", "[A]\r\nx=1\r\n",
         {{"A", "x", "  v  "}, {"A", "lead", " C:\\my www"}, {"A", "trail", "C:\\my www\t"}},
         "[A]\r\nx=\"  v  \"\r\nlead=\" C:\\my www\"\r\ntrail=\"C:\\my www\t\"\r\n"},
        {"UTF-16 LE file stays UTF-16 LE", Utf16LeFile(u"[A]\r\nx=1\r\n"), {{"A", "x", "\xC3\xA9\xD0\x94"}},
         Utf16LeFile(u"[A]\r\nx=\u00E9\u0414\r\n")},

        {"new key after the last key of its section", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", {{"A", "z", "3"}},
         "[A]\r\nx=1\r\nz=3\r\n[B]\r\ny=2\r\n", "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n", kUntouchedLines},
        {"other lines as they were", "[A]\nx = 1 \n; note\ny=2\n", {{"A", "y", "3"}},
         "[A]\r\nx=1\r\n; note\r\ny=3\r\n", "[A]\nx = 1 \n; note\ny=3\n", kUntouchedLines},
        {"non-ASCII value in an 8-bit file", "[A]\r\nx=1\r\n", {{"A", "x", "caf\xC3\xA9"}}, "[A]\r\nx=caf\xE9\r\n",
         "[A]\r\nx=caf\xC3\xA9\r\n", kEightBitFiles},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = folder.NewFile();
        if (c.file) WriteBytes(file, *c.file);
        std::string portable = c.file.value_or("");
        for (const Write& w : c.writes) {
            EXPECT_TRUE(platform::WritePrivateProfileString(w.section, w.key, w.value, file));
            ASSERT_TRUE(platform::portable::IsWritableEntry(w.section, w.key, w.value));
            portable = platform::portable::WriteProfileValue(w.section, w.key, w.value, portable);
        }
        // The flush has put the system's cached copy on disk.
        EXPECT_EQ(ReadBytes(file), c.expected);
        if (c.portable) {
            SCOPED_TRACE(c.why);
            EXPECT_NE(*c.portable, c.expected);
        }
        EXPECT_EQ(portable, c.portable.value_or(c.expected));
        // Whatever the bytes, each side reads back what was written.
        for (const Write& w : c.writes) {
            const std::string readsBack = w.readsBack ? w.readsBack : w.value;
            EXPECT_EQ(platform::GetPrivateProfileString(w.section, w.key, "?", file), readsBack);
            EXPECT_EQ(platform::portable::ReadProfileValue(w.section, w.key, "?", portable), readsBack);
        }
    }
}

// Names and values that would not read back as written are refused before the
// system is called. Here the system is called with them directly, to show what the
// refusal prevents: a fresh read of the file by the portable rules never gives what
// was written, and by the system only for keys starting with "[" or ";".
TEST(IniDifferentialTest, RefusedWritesWouldNotReadBack) {
    struct Case {
        const char* name;
        std::string section, key, value;
        std::string readKey;     // read back from a copy of the file the system wrote
        std::string systemReads; // what the system then reads there
    };
    const std::string original = "[A]\r\nx=1\r\n";
    const Case cases[] = {
        {"line break in the value adds a key", "A", "x", "1\r\ny=2", "y", "2"},
        {"line break in the key", "A", "x\r\ny", "v", "x", "1"},
        {"line break in the section adds a section", "A\r\n[B", "k", "v", "k", "?"},
        {"equals sign in the key", "A", "k=j", "v", "k", "j=v"},
        {"key starting with a bracket", "A", "[k", "v", "[k", "v"},
        {"key starting with a semicolon", "A", ";k", "v", ";k", "v"},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = folder.NewFile();
        WriteBytes(file, original);

        EXPECT_FALSE(platform::portable::IsWritableEntry(c.section, c.key, c.value));
        errno = 0;
        EXPECT_FALSE(platform::WritePrivateProfileString(c.section, c.key, c.value, file));
        EXPECT_EQ(errno, EINVAL);
        EXPECT_EQ(ReadBytes(file), original);

        ASSERT_TRUE(::WritePrivateProfileStringW(ToWide(c.section).c_str(), ToWide(c.key).c_str(),
                                                 ToWide(c.value).c_str(), ToWide(file).c_str()));
        ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, ToWide(file).c_str());
        const std::string copy = folder.NewFile();
        WriteBytes(copy, ReadBytes(file));
        EXPECT_EQ(platform::GetPrivateProfileString(c.section, c.readKey, "?", copy), c.systemReads);
        EXPECT_NE(platform::portable::ReadProfileValue(c.section, c.key, "?", ReadBytes(copy)), c.value);
    }
    // A NUL cuts the text that reaches the system; the refusal keeps it from being cut.
    const std::string file = folder.NewFile();
    WriteBytes(file, original);
    EXPECT_FALSE(platform::WritePrivateProfileString("A", "x", std::string("a\0b", 3), file));
    EXPECT_EQ(ReadBytes(file), original);
}

}  // namespace
