#include "components/KelvoVersionInfo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ModuleFileName.h"
#include "tests/unit/VersionTestSupport.h"

namespace {

using namespace versiontest;

const TKelvoVersionNumber kZero{0, 0, 0, 0};

std::vector<std::string> StandardStrings(const TKelvoVersionInfo& info) {
    return {info.Comments(),         info.CompanyName(),      info.FileDescription(), info.FileVersion(),
            info.InternalName(),     info.LegalCopyright(),   info.LegalTrademarks(), info.OriginalFileName(),
            info.PrivateBuild(),     info.ProductName(),      info.ProductVersion(),  info.SpecialBuild()};
}

// Everything a reader shows without information.
void ExpectNoInformation(const TKelvoVersionInfo& info, const std::string& what) {
    EXPECT_FALSE(info.HaveInfo()) << what;
    EXPECT_EQ(info.FixedFileInfo(), platform::VS_FIXEDFILEINFO{}) << what;
    EXPECT_EQ(info.FileVersionNumber(), kZero) << what;
    EXPECT_EQ(info.ProductVersionNumber(), kZero) << what;
    EXPECT_EQ(info.FileOS() | info.FileType() | info.FileSubType() | info.FileFlagsMask() | info.FileFlags(), 0u)
        << what;
    EXPECT_EQ(StandardStrings(info), std::vector<std::string>(12)) << what;
    EXPECT_EQ(info.StringFileInfo("FileVersion"), "") << what;
    EXPECT_EQ(info.Language(), "") << what;
    EXPECT_EQ(info.CharSet(), "") << what;
    EXPECT_EQ(info.LanguageCode(), 0) << what;
    EXPECT_EQ(info.CharSetCode(), 0) << what;
    EXPECT_EQ(info.NumTranslations(), 0) << what;
    EXPECT_EQ(info.CurrentTranslation(), -1) << what;
}

TEST(KelvoVersionInfoTest, ReadsTheRunningExecutableWhenCreated) {
    const TKelvoVersionInfo info;
    EXPECT_EQ(info.FileName(), platform::ModuleFileName());
    ASSERT_TRUE(info.HaveInfo());
    EXPECT_EQ(info.FixedFileInfo().dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info.FileVersionNumber(), (TKelvoVersionNumber{2, 0, 2, 61}));
    EXPECT_EQ(info.ProductVersionNumber(), (TKelvoVersionNumber{1, 0, 0, 0}));
    EXPECT_EQ(info.FileOS(), 4u);
    EXPECT_EQ(info.FileType(), 1u);
    EXPECT_EQ(info.FileSubType(), 0u);
    EXPECT_EQ(info.FileFlagsMask(), 63u);
    EXPECT_EQ(info.FileFlags(), 0u);
    EXPECT_EQ(info.NumTranslations(), 1);
    EXPECT_EQ(info.CurrentTranslation(), 0);
    EXPECT_EQ(info.LanguageCode(), 0x0409);
    EXPECT_EQ(info.CharSetCode(), 1252);
    EXPECT_EQ(info.Language(), "English (United States)");
    EXPECT_EQ(info.CharSet(), "Windows, Multilingual");
    const std::vector<std::string> expected = {"", "", "", "2.0.2.61", "", "", "", "", "", "", "1.0.0.0", ""};
    EXPECT_EQ(StandardStrings(info), expected);
}

TEST(KelvoVersionInfoTest, EmptyNameStandsForTheRunningExecutable) {
    TKelvoVersionInfo info;
    info.setFileName(Fixture("two-translations-pe64.dll").string());
    info.setFileName("");
    EXPECT_EQ(info.FileName(), platform::ModuleFileName());
    EXPECT_TRUE(std::filesystem::path(info.FileName()).is_absolute());
    EXPECT_TRUE(info.HaveInfo());
    EXPECT_EQ(info.FileVersion(), "2.0.2.61");
}

TEST(KelvoVersionInfoTest, LibraryWithTwoTranslations) {
    TKelvoVersionInfo info;
    info.setFileName(Fixture("two-translations-pe64.dll").string());
    ASSERT_TRUE(info.HaveInfo());
    EXPECT_EQ(info.FileVersionNumber(), (TKelvoVersionNumber{3, 1, 4, 1592}));
    EXPECT_EQ(info.ProductVersionNumber(), (TKelvoVersionNumber{2, 7, 1, 8}));
    EXPECT_EQ(info.FileOS(), 0x40004u);
    EXPECT_EQ(info.FileType(), 2u);
    EXPECT_EQ(info.FileFlagsMask(), 0x3Fu);
    EXPECT_EQ(info.FileFlags(), 2u);
    EXPECT_EQ(info.NumTranslations(), 2);
    EXPECT_EQ(info.CurrentTranslation(), 0);
    const std::vector<std::string> expected = {
        "Fixture comments", "Fixture Works", "Version fixture", "3.1.4.1592",    "fixture", "Copyright 2024 Fixture Works",
        "None",             "two-translations.dll", "private-7", "Fixture Suite", "2.7.1.8", "special-9"};
    EXPECT_EQ(StandardStrings(info), expected);
    EXPECT_EQ(info.StringFileInfo("SourceRevision"), "r4711");
    EXPECT_EQ(info.GetStringFileInfo("sourcerevision"), "r4711");
    EXPECT_EQ(info.StringFileInfo("NoSuchName"), "");
}

TEST(KelvoVersionInfoTest, SelectingTheCurrentTranslation) {
    TKelvoVersionInfo info;
    info.setFileName(Fixture("two-translations-pe64.dll").string());
    const struct {
        std::int32_t assigned;
        std::int32_t current;
        std::uint16_t language;
        std::uint16_t codePage;
        const char* languageName;
        const char* charSet;
        const char* companyName;
        const char* fileVersion;
    } cases[] = {
        {1, 1, 0x0407, 1200, "German (Germany)", "Unicode", "Grüße aus Köln", "3.1.4.1592 (de)"},
        {0, 0, 0x0409, 1252, "English (United States)", "Windows, Multilingual", "Fixture Works", "3.1.4.1592"},
        {2, -1, 0, 0, "Language Neutral", "7-bit ASCII", "", ""},
        {-5, -1, 0, 0, "Language Neutral", "7-bit ASCII", "", ""},
    };
    for (const auto& c : cases) {
        info.setCurrentTranslation(c.assigned);
        EXPECT_EQ(info.CurrentTranslation(), c.current) << c.assigned;
        EXPECT_EQ(info.LanguageCode(), c.language) << c.assigned;
        EXPECT_EQ(info.CharSetCode(), c.codePage) << c.assigned;
        EXPECT_EQ(info.Language(), c.languageName) << c.assigned;
        EXPECT_EQ(info.CharSet(), c.charSet) << c.assigned;
        EXPECT_EQ(info.CompanyName(), c.companyName) << c.assigned;
        EXPECT_EQ(info.FileVersion(), c.fileVersion) << c.assigned;
        EXPECT_EQ(info.Comments(), c.current == 0 ? "Fixture comments" : "") << c.assigned;
    }
}

TEST(KelvoVersionInfoTest, ResourceWithoutTranslationTable) {
    TKelvoVersionInfo info;
    info.setFileName(Fixture("no-translation-pe32.exe").string());
    ASSERT_TRUE(info.HaveInfo());
    EXPECT_EQ(info.FileVersionNumber(), (TKelvoVersionNumber{1, 2, 3, 4}));
    EXPECT_EQ(info.NumTranslations(), 0);
    EXPECT_EQ(info.CurrentTranslation(), -1);
    EXPECT_EQ(info.LanguageCode(), 0);
    EXPECT_EQ(info.CharSetCode(), 0);
    EXPECT_EQ(info.CharSet(), "7-bit ASCII");
    // The lookup path has no translation in it, so the "040904E4" table is not searched.
    EXPECT_EQ(info.FileVersion(), "");
    info.setCurrentTranslation(0);
    EXPECT_EQ(info.CurrentTranslation(), -1);
}

TEST(KelvoVersionInfoTest, FilesWithoutInformation) {
    TempDir dir;
    WriteFile(dir / "readme.txt", Bytes{'P', 'l', 'a', 'i', 'n', ' ', 't', 'e', 'x', 't', '\n'});
    const Bytes pe = ReadFile(Fixture("two-translations-pe64.dll"));
    WriteFile(dir / "truncated.dll", Bytes(pe.begin(), pe.begin() + 1024));

    TKelvoVersionInfo info;
    const std::string names[] = {(dir / "readme.txt").string(), (dir / "missing.exe").string(),
                                 (dir / "truncated.dll").string(), "   "};
    for (const std::string& name : names) {
        info.setFileName(Fixture("two-translations-pe64.dll").string());
        info.setCurrentTranslation(1);
        ASSERT_TRUE(info.HaveInfo());
        info.setFileName(name);
        EXPECT_EQ(info.FileName(), name);
        ExpectNoInformation(info, name);
        info.setCurrentTranslation(0);
        EXPECT_EQ(info.CurrentTranslation(), -1) << name;
    }
}

TEST(KelvoVersionInfoTest, EveryAssignmentReadsTheFileAnew) {
    TempDir dir;
    const std::string name = (dir / "changing.dll").string();
    const Bytes pe = ReadFile(Fixture("two-translations-pe64.dll"));

    TKelvoVersionInfo info;
    WriteFile(name, pe);
    info.setFileName(name);
    EXPECT_TRUE(info.HaveInfo());

    WriteFile(name, Bytes{'g', 'o', 'n', 'e'});
    EXPECT_TRUE(info.HaveInfo()) << "nothing is read until the name is assigned";
    info.setFileName(name);
    EXPECT_FALSE(info.HaveInfo());

    WriteFile(name, pe);
    info.setFileName(name);
    EXPECT_EQ(info.FileVersion(), "3.1.4.1592");
}

TEST(KelvoVersionInfoTest, StringValues) {
    const std::string longest(230, 'N');  // "\StringFileInfo\040904E4\" and it make 255 characters
    const std::string tooLong(231, 'N');
    const std::string wideLongest = [] {  // 230 characters in 460 bytes of UTF-8
        std::string s;
        for (int i = 0; i < 230; ++i) s += "ü";
        return s;
    }();
    const Bytes block = SimpleBlock({Text("Comments", std::string("before\0after", 12)),
                                     Node{"CompanyName", 1, 0, {}, {}},
                                     Node{"ProductName", 1, 5, Utf16("Tools", false), {}},
                                     Text("InternalName", "Ünïcødé ✓ 𝄞"),
                                     Text(longest, "fits"),
                                     Text(tooLong, "does not fit"),
                                     Text(wideLongest, "fits as well")});
    TempDir dir;
    WriteElf64(dir / "strings.o", ".tarnwick_version", block);

    TKelvoVersionInfo info;
    info.setFileName((dir / "strings.o").string());
    ASSERT_TRUE(info.HaveInfo());
    EXPECT_EQ(info.Comments(), "before");
    EXPECT_EQ(info.CompanyName(), "");
    EXPECT_EQ(info.ProductName(), "Tools");
    EXPECT_EQ(info.InternalName(), "Ünïcødé ✓ 𝄞");
    EXPECT_EQ(info.StringFileInfo(longest), "fits");
    EXPECT_EQ(info.StringFileInfo(tooLong), "");
    EXPECT_EQ(info.StringFileInfo(wideLongest), "fits as well");
}

}  // namespace
