// The version reader component on the system's version functions: this program's
// own resource, the fixtures, and small PE files made here to show the bounds the
// reader keeps where the system trusts the block.
#include "components/KelvoVersionInfo.h"
#include "platform/ModuleFileName.h"
#include "platform/VersionResource.h"
#include "tests/unit/VersionTestSupport.h"

#include "platform/WideTextWin32.h"

#include <windows.h>
#undef GetFileVersionInfo
#undef VerQueryValue

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace versiontest;

std::string SystemLanguageName(std::uint16_t language) {
    wchar_t buffer[256] = L"";
    ::VerLanguageNameW(language, buffer, 255);
    return platform::FromWide(buffer, std::wstring_view(buffer).size());
}

// A minimal 64-bit PE library whose only content is a resource section with the
// version block `block` (type 16, name 1, language 0x0409).
void WritePe64(const std::filesystem::path& path, const Bytes& block) {
    constexpr std::uint32_t kFileAlignment = 0x200, kSectionAlignment = 0x1000, kResourceRva = 0x1000;
    constexpr std::uint32_t kBlockAt = 0x58;  // after three directories and the data entry
    const std::uint32_t resourceSize = kBlockAt + static_cast<std::uint32_t>(block.size());
    const std::uint32_t rawSize = (resourceSize + kFileAlignment - 1) / kFileAlignment * kFileAlignment;
    const std::uint32_t imageSize =
        kResourceRva + (resourceSize + kSectionAlignment - 1) / kSectionAlignment * kSectionAlignment;

    Bytes file(0x40, 0);
    file[0] = 'M', file[1] = 'Z';
    PutLeAt(file, 0x3C, 0x40, 4);
    for (char c : std::string("PE\0\0", 4)) file.push_back(static_cast<std::uint8_t>(c));
    PutLe(file, 0x8664, 2);   // x86-64
    PutLe(file, 1, 2);        // one section
    PutLe(file, 0, 12);       // time stamp, symbols
    PutLe(file, 240, 2);      // optional header size
    PutLe(file, 0x2022, 2);   // executable image, large addresses, library

    const std::size_t optional = file.size();
    file.resize(optional + 240, 0);
    PutLeAt(file, optional + 0, 0x20B, 2);  // PE32+
    PutLeAt(file, optional + 24, 0x180000000ull, 8);
    PutLeAt(file, optional + 32, kSectionAlignment, 4);
    PutLeAt(file, optional + 36, kFileAlignment, 4);
    PutLeAt(file, optional + 40, 6, 2);   // operating system 6.0
    PutLeAt(file, optional + 48, 6, 2);   // subsystem 6.0
    PutLeAt(file, optional + 56, imageSize, 4);
    PutLeAt(file, optional + 60, kFileAlignment, 4);  // size of headers
    PutLeAt(file, optional + 68, 2, 2);   // GUI subsystem
    PutLeAt(file, optional + 72, 0x100000, 8);
    PutLeAt(file, optional + 80, 0x1000, 8);
    PutLeAt(file, optional + 88, 0x100000, 8);
    PutLeAt(file, optional + 96, 0x1000, 8);
    PutLeAt(file, optional + 108, 16, 4);  // data directories
    PutLeAt(file, optional + 112 + 2 * 8, kResourceRva, 4);
    PutLeAt(file, optional + 112 + 2 * 8 + 4, resourceSize, 4);

    for (char c : std::string(".rsrc\0\0\0", 8)) file.push_back(static_cast<std::uint8_t>(c));
    PutLe(file, resourceSize, 4);
    PutLe(file, kResourceRva, 4);
    PutLe(file, rawSize, 4);
    PutLe(file, kFileAlignment, 4);
    PutLe(file, 0, 12);
    PutLe(file, 0x40000040, 4);  // initialised data, readable
    file.resize(kFileAlignment, 0);

    Bytes resources;
    auto directory = [&resources](std::uint32_t id, std::uint32_t data) {
        PutLe(resources, 0, 12);
        PutLe(resources, 0, 2);  // named entries
        PutLe(resources, 1, 2);  // numbered entries
        PutLe(resources, id, 4);
        PutLe(resources, data, 4);
    };
    directory(16, 0x80000000u | 0x18);
    directory(1, 0x80000000u | 0x30);
    directory(0x0409, 0x48);
    PutLe(resources, kResourceRva + kBlockAt, 4);
    PutLe(resources, block.size(), 4);
    PutLe(resources, 0, 8);
    resources.insert(resources.end(), block.begin(), block.end());
    resources.resize(rawSize, 0);
    file.insert(file.end(), resources.begin(), resources.end());
    WriteFile(path, file);
}

const TKelvoVersionNumber kZero{0, 0, 0, 0};

TEST(VersionInfoWin32Test, ReadsThisProgramsResource) {
    const TKelvoVersionInfo info;  // a new reader reads the running program
    EXPECT_EQ(info.FileName(), platform::ModuleFileName());
    ASSERT_TRUE(info.HaveInfo());
    EXPECT_EQ(info.FileVersion(), "2.0.2.61");
    EXPECT_EQ(info.ProductVersion(), "1.0.0.0");
    EXPECT_EQ(info.CompanyName(), "");
    EXPECT_EQ(info.FileVersionNumber(), (TKelvoVersionNumber{2, 0, 2, 61}));
    EXPECT_EQ(info.ProductVersionNumber(), (TKelvoVersionNumber{1, 0, 0, 0}));
    EXPECT_EQ(info.FileOS(), 4u);
    EXPECT_EQ(info.FileType(), 1u);
    EXPECT_EQ(info.FileSubType(), 0u);
    EXPECT_EQ(info.FileFlagsMask(), 63u);
    EXPECT_EQ(info.FileFlags(), 0u);
    EXPECT_EQ(info.NumTranslations(), 1);
    EXPECT_EQ(info.LanguageCode(), 0x0409);
    EXPECT_EQ(info.CharSetCode(), 1252);
    EXPECT_EQ(info.CharSet(), "Windows, Multilingual");
    EXPECT_FALSE(info.Language().empty());
    EXPECT_EQ(info.Language(), SystemLanguageName(0x0409));
}

TEST(VersionInfoWin32Test, FixturesAndFilesWithoutInformation) {
    TKelvoVersionInfo info;
    info.setFileName(Fixture("two-translations-pe64.dll").string());
    ASSERT_EQ(info.NumTranslations(), 2);
    EXPECT_EQ(info.FileVersion(), "3.1.4.1592");
    info.setCurrentTranslation(1);
    EXPECT_EQ(info.LanguageCode(), 0x0407);
    EXPECT_EQ(info.CharSet(), "Unicode");
    EXPECT_EQ(info.CompanyName(), "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln");
    EXPECT_EQ(info.StringFileInfo("SourceRevision"), "");  // only in the first table
    info.setCurrentTranslation(2);
    EXPECT_EQ(info.CurrentTranslation(), -1);
    EXPECT_EQ(info.FileVersion(), "");

    info.setFileName(Fixture("no-translation-pe32.exe").string());
    EXPECT_TRUE(info.HaveInfo());
    EXPECT_EQ(info.NumTranslations(), 0);
    EXPECT_EQ(info.CurrentTranslation(), -1);
    EXPECT_EQ(info.CharSet(), "7-bit ASCII");

    for (const auto& file : {Fixture("two-translations.rc"), Fixture("missing.dll")}) {
        info.setFileName(file.string());
        EXPECT_FALSE(info.HaveInfo()) << file;
        EXPECT_EQ(info.FileVersionNumber(), kZero) << file;
        EXPECT_EQ(info.FileVersion(), "") << file;
        EXPECT_EQ(info.CharSet(), "") << file;
        EXPECT_EQ(info.NumTranslations(), 0) << file;
        EXPECT_EQ(info.CurrentTranslation(), -1) << file;
    }
}

// The system hands out what a block says; the reader keeps to its own bounds.
TEST(VersionInfoWin32Test, BoundsKeptOverTheSystemsFunctions) {
    TempDir dir;
    const auto read = [&dir](const std::string& name, const Bytes& block) {
        const auto path = dir / (name + ".dll");
        WritePe64(path, block);
        TKelvoVersionInfo info;
        info.setFileName(path.string());
        EXPECT_TRUE(info.HaveInfo()) << name;
        return info;
    };

    // Fixed information shorter than its 52 bytes is none at all.
    Bytes shortFixed;
    for (std::uint32_t f : {0xFEEF04BDu, 0x00010000u, 0x00020000u, 0x0002003Du, 0x00010000u, 0u, 63u, 0u, 4u, 1u})
        PutLe(shortFixed, f, 4);
    const auto shortInfo =
        read("short-fixed", Encode(Node{"VS_VERSION_INFO", 0, 40, shortFixed,
                                        {StringTables({Table("040904E4", {Text("FileVersion", "9.9")})}),
                                         Translations({0x0409, 1252})}}));
    EXPECT_EQ(shortInfo.FixedFileInfo(), platform::VS_FIXEDFILEINFO{});
    EXPECT_EQ(shortInfo.FileVersion(), "9.9");
    {
        // The system hands out the 40 bytes; the platform call refuses them.
        Bytes block;
        ASSERT_TRUE(platform::GetFileVersionInfo((dir / "short-fixed.dll").string(), block));
        void* raw = nullptr;
        UINT rawLength = 0;
        EXPECT_TRUE(::VerQueryValueW(block.data(), L"\\", &raw, &rawLength));
        EXPECT_EQ(rawLength, 40u);
        const void* value = nullptr;
        std::uint32_t length = 0;
        EXPECT_FALSE(platform::VerQueryValue(block, "\\", value, length));
    }

    // Only whole 4-byte translation entries count.
    Bytes sixBytes;
    for (std::uint16_t p : {0x0409, 1252, 0x0407}) PutLe(sixBytes, p, 2);
    const auto partial = read(
        "partial-translation",
        Encode(Fixed({0xFEEF04BD, 0x00010000, 1, 2, 3, 4, 63, 0, 4, 1, 0, 0, 0},
                     {StringTables({Table("040904E4", {Text("FileVersion", "1.2")})}),
                      Node{"VarFileInfo", 1, 0, {}, {Node{"Translation", 0, 6, sixBytes, {}}}}})));
    EXPECT_EQ(partial.NumTranslations(), 1);
    EXPECT_EQ(partial.FileVersion(), "1.2");

    // A string ends at its stored length or at its first null, whichever comes first;
    // a name that makes the query path longer than 255 characters finds nothing.
    const std::string longest(230, 'N');
    const std::string tooLong(231, 'N');
    const auto strings = read("strings", SimpleBlock({Node{"FileVersion", 1, 3, Utf16("abcdef"), {}},
                                                      Text("Comments", std::string("before\0after", 12)),
                                                      Text(longest, "fits"), Text(tooLong, "does not fit")}));
    EXPECT_EQ(strings.FileVersion(), "abc");
    EXPECT_EQ(strings.Comments(), "before");
    EXPECT_EQ(strings.StringFileInfo(longest), "fits");
    EXPECT_EQ(strings.StringFileInfo(tooLong), "");
}

}  // namespace
