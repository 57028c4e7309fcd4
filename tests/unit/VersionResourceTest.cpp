#include "platform/VersionResource.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/ModuleFileName.h"
#include "platform/VersionBlock.h"
#include "platform/VersionImage.h"
#include "tests/unit/VersionTestSupport.h"

namespace {

using namespace versiontest;
using platform::version::QueryBlock;
using platform::version::ReadU16;
using platform::version::ReadU32;

Bytes BlockOf(const std::string& fileName) {
    Bytes block;
    EXPECT_TRUE(platform::GetFileVersionInfo(fileName, block)) << fileName;
    EXPECT_EQ(platform::GetFileVersionInfoSize(fileName), block.size()) << fileName;
    return block;
}

// The string at a query path, or nothing when the query fails.
std::optional<std::string> QueryText(const Bytes& block, const std::string& path) {
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (!platform::VerQueryValue(block, path, value, length)) return std::nullopt;
    return platform::version::Utf16LeToUtf8(static_cast<const std::uint8_t*>(value), length);
}

Node TwoTranslationsTree() {
    return Fixed({0xFEEF04BD, 0x00010000, 0x00030001, 0x00040638, 0x00020007, 0x00010008, 0x3F, 2, 0x40004, 2, 0, 0, 0},
                 {StringTables({Table("040904E4", {Text("Comments", "Fixture comments"),
                                                   Text("CompanyName", "Fixture Works"),
                                                   Text("FileDescription", "Version fixture"),
                                                   Text("FileVersion", "3.1.4.1592"),
                                                   Text("InternalName", "fixture"),
                                                   Text("LegalCopyright", "Copyright 2024 Fixture Works"),
                                                   Text("LegalTrademarks", "None"),
                                                   Text("OriginalFileName", "two-translations.dll"),
                                                   Text("PrivateBuild", "private-7"),
                                                   Text("ProductName", "Fixture Suite"),
                                                   Text("ProductVersion", "2.7.1.8"),
                                                   Text("SpecialBuild", "special-9"),
                                                   Text("SourceRevision", "r4711")}),
                                Table("040704B0", {Text("CompanyName", "Grüße aus Köln"),
                                                   Text("FileVersion", "3.1.4.1592 (de)")})}),
                  Translations({0x0409, 1252, 0x0407, 1200})});
}

TEST(VersionResourceTest, EncoderAgreesWithTheResourceCompiler) {
    EXPECT_EQ(BlockOf(Fixture("two-translations-pe64.dll")), Encode(TwoTranslationsTree()));
}

TEST(VersionResourceTest, RunningExecutableCarriesTheProjectVersionBlock) {
    const Node expected =
        Fixed({0xFEEF04BD, 0x00010000, 0x00020000, 0x0002003D, 0x00010000, 0x00000000, 63, 0, 4, 1, 0, 0, 0},
              {StringTables({Table("040904E4", {Text("FileVersion", "2.0.2.61"), Text("ProductVersion", "1.0.0.0")})}),
               Translations({0x0409, 1252})});
    EXPECT_EQ(BlockOf(platform::ModuleFileName()), Encode(expected));
}

TEST(VersionResourceTest, SameBlockInPeAndElfFiles) {
    const Bytes pe = BlockOf(Fixture("two-translations-pe64.dll"));
    ASSERT_FALSE(pe.empty());
    EXPECT_EQ(BlockOf(Fixture("two-translations-elf32.o")), pe);
}

TEST(VersionResourceTest, QueriesFixedInfoTranslationsAndStrings) {
    const Bytes block = BlockOf(Fixture("two-translations-pe64.dll"));
    const void* value = nullptr;
    std::uint32_t length = 0;

    ASSERT_TRUE(platform::VerQueryValue(block, "\\", value, length));
    ASSERT_EQ(length, platform::kFixedFileInfoBytes);
    const auto fixed = platform::FixedFileInfoFromBytes(value);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00040638u);
    EXPECT_EQ(fixed.dwFileOS, 0x40004u);

    ASSERT_TRUE(platform::VerQueryValue(block, "\\VarFileInfo\\Translation", value, length));
    ASSERT_EQ(length, 8u);
    const auto* table = static_cast<const std::uint8_t*>(value);
    EXPECT_EQ(ReadU16(table), 0x0409);
    EXPECT_EQ(ReadU16(table + 2), 1252);
    EXPECT_EQ(ReadU16(table + 4), 0x0407);
    EXPECT_EQ(ReadU16(table + 6), 1200);

    ASSERT_TRUE(platform::VerQueryValue(block, "\\StringFileInfo\\040904E4\\FileVersion", value, length));
    EXPECT_EQ(length, 11u) << "\"3.1.4.1592\" and its null, in UTF-16 units";

    const struct {
        const char* path;
        std::optional<std::string> text;
    } cases[] = {
        {"\\StringFileInfo\\040904E4\\CompanyName", "Fixture Works"},
        {"\\stringfileinfo\\040904e4\\COMPANYNAME", "Fixture Works"},
        {"\\StringFileInfo\\040704B0\\CompanyName", "Grüße aus Köln"},
        {"\\\\StringFileInfo\\\\040704B0\\FileVersion\\", "3.1.4.1592 (de)"},
        {"StringFileInfo\\040904E4\\SourceRevision", "r4711"},
        {"\\StringFileInfo\\040704B0\\Comments", std::nullopt},
        {"\\StringFileInfo\\040904E4\\Company", std::nullopt},
        {"\\StringFileInfo\\\\FileVersion", std::nullopt},
        {"\\StringFileInfo\\04090000\\FileVersion", std::nullopt},
        {"\\VarFileInfo\\Translation\\More", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(QueryText(block, c.path), c.text) << c.path;
}

TEST(VersionResourceTest, BlockWithoutTranslationTable) {
    const Bytes block = BlockOf(Fixture("no-translation-pe32.exe"));
    const void* value = nullptr;
    std::uint32_t length = 0;
    ASSERT_TRUE(platform::VerQueryValue(block, "\\", value, length));
    EXPECT_EQ(platform::FixedFileInfoFromBytes(value).dwFileVersionMS, 0x00010002u);
    EXPECT_FALSE(platform::VerQueryValue(block, "\\VarFileInfo\\Translation", value, length));
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040904E4\\FileVersion"), "1.2.3.4");
}

// Of a resource in several languages, the one the system's loader takes for English
// (United States), not the first one the directory lists.
TEST(VersionResourceTest, EnglishBlockOfSeveralLanguages) {
    const Bytes block = BlockOf(Fixture("several-languages-pe64.dll"));
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040904E4\\FileVersion"), "English");
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040104E4\\FileVersion"), std::nullopt);
}

TEST(VersionResourceTest, FilesWithoutVersionBlock) {
    TempDir dir;
    WriteFile(dir / "notes.txt", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    WriteFile(dir / "empty", Bytes{});
    WriteFile(dir / "fake.exe", Bytes{'M', 'Z', ' ', 'n', 'o', 't', ' ', 'a', ' ', 'p', 'r', 'o', 'g', 'r', 'a', 'm'});
    WriteElf64(dir / "other-section.o", ".tarnwick_version2", SimpleBlock({}));
    WriteElf64(dir / "not-a-block.o", ".tarnwick_version", Utf16("just text"));
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);

    const struct {
        std::string name;
        int error;
    } cases[] = {
        {(dir / "missing.exe").string(), ENOENT},
        {(dir / "notes.txt").string(), ENODATA},
        {(dir / "empty").string(), ENODATA},
        {(dir / "fake.exe").string(), ENODATA},
        {(dir / "other-section.o").string(), ENODATA},
        {(dir / "not-a-block.o").string(), ENODATA},
        {(dir / "pipe").string(), ENODATA},  // refused, never waited on
        {(dir / "").string(), ENODATA},      // a folder
        {"", ENOENT},
    };
    for (const auto& c : cases) {
        errno = 0;
        EXPECT_EQ(platform::GetFileVersionInfoSize(c.name), 0u) << c.name;
        EXPECT_EQ(errno, c.error) << c.name << ": " << std::strerror(errno);
        Bytes block{1, 2, 3};
        EXPECT_FALSE(platform::GetFileVersionInfo(c.name, block)) << c.name;
        EXPECT_TRUE(block.empty()) << c.name;
    }
}

TEST(VersionResourceTest, ValuesStayInsideTheirNode) {
    // A value with a null inside, one stored without its null, an empty one, one
    // whose length claims more than the node holds, and a binary leaf.
    Node claimsTooMuch = Text("Long", "abc");
    claimsTooMuch.ValueLength = 500;
    const Bytes block = SimpleBlock({Text("Inner", std::string("before\0after", 12)),
                                     Node{"Bare", 1, 3, Utf16("xyz", false), {}},
                                     Node{"Empty", 1, 0, {}, {}},
                                     claimsTooMuch,
                                     Node{"Raw", 0, 3, {7, 8, 9}, {}}});

    const struct {
        const char* name;
        std::uint32_t length;
        std::string text;
    } cases[] = {
        {"Inner", 13, "before"},
        {"Bare", 3, "xyz"},
        {"Empty", 0, ""},
        {"Long", 4, "abc"},
        {"Raw", 3, ""},  // bytes, not text
    };
    for (const auto& c : cases) {
        const std::string path = std::string("\\StringFileInfo\\040904E4\\") + c.name;
        const auto found = QueryBlock(block, path);
        ASSERT_TRUE(found) << c.name;
        EXPECT_EQ(found->Length, c.length) << c.name;
        EXPECT_LE(found->Offset + found->Bytes, block.size()) << c.name;
        if (!c.text.empty()) {
            EXPECT_EQ(QueryText(block, path), c.text) << c.name;
        }
    }
}

TEST(VersionResourceTest, MalformedBlocksFailQueries) {
    const Bytes good = SimpleBlock({Text("FileVersion", "9.9")});
    auto with = [&good](std::size_t at, std::uint16_t value) {
        Bytes b = good;
        PutLeAt(b, at, value, 2);
        return b;
    };
    const Bytes shortFixedInfo = Encode(Node{"VS_VERSION_INFO", 0, 8, Bytes(8, 1), {}});
    Bytes keyWithoutNull = Encode(Node{"VS_VERSION_INFO", 0, 0, {}, {}});
    keyWithoutNull.resize(keyWithoutNull.size() - 2);
    PutLeAt(keyWithoutNull, 0, keyWithoutNull.size(), 2);

    const struct {
        const char* what;
        Bytes block;
        const char* path;
    } cases[] = {
        {"empty", Bytes{}, "\\"},
        {"shorter than a header", Bytes{6, 0, 0, 0}, "\\"},
        {"root length 0", with(0, 0), "\\StringFileInfo\\040904E4\\FileVersion"},
        {"root length below header", with(0, 5), "\\"},
        {"root longer than block", with(0, static_cast<std::uint16_t>(good.size() + 1)), "\\"},
        {"fixed info under 52 bytes", shortFixedInfo, "\\"},
        {"key without null", keyWithoutNull, "\\"},
        {"child length 0", with(92, 0), "\\StringFileInfo"},
        {"child longer than parent", with(92, 0xFFFF), "\\StringFileInfo"},
    };
    for (const auto& c : cases) EXPECT_FALSE(QueryBlock(c.block, c.path)) << c.what;
    EXPECT_TRUE(QueryBlock(good, "\\StringFileInfo\\040904E4\\FileVersion"));
}

// ---- damaged and hostile files ---------------------------------------------------

const char* const kPaths[] = {
    "\\",
    "\\VarFileInfo\\Translation",
    "\\StringFileInfo\\040904E4\\FileVersion",
    "\\StringFileInfo\\040704B0\\CompanyName",
    "\\StringFileInfo\\\\FileVersion",
    "\\StringFileInfo",
    "\\VarFileInfo",
};

// Runs every query on a block; what comes back must lie inside it.
void QueryEverything(const Bytes& block) {
    for (const char* path : kPaths) {
        const auto found = QueryBlock(block, path);
        if (!found) continue;
        ASSERT_LE(found->Offset + found->Bytes, block.size()) << path;
        platform::version::Utf16LeToUtf8(block.data() + found->Offset, found->Bytes / 2);
    }
}

// Looks for the block in a copy of `bytes` of exactly their size, so that a read
// past the end is caught by the address sanitizer.
std::optional<Bytes> FindBlock(const Bytes& bytes) {
    const Bytes exact(bytes.begin(), bytes.end());
    const platform::version::SpanSource source(exact);
    const auto location = platform::version::FindVersionBlock(source);
    if (!location) return std::nullopt;
    EXPECT_LE(location->Offset + location->Length, exact.size());
    Bytes block;
    EXPECT_TRUE(platform::version::ReadVersionBlock(source, *location, block));
    QueryEverything(block);
    return block;
}

const char* const kFixtures[] = {"two-translations-pe64.dll", "no-translation-pe32.exe", "two-translations-elf32.o"};

TEST(VersionResourceTest, TruncatedFilesYieldTheBlockOrNothing) {
    for (const char* name : kFixtures) {
        const Bytes file = ReadFile(Fixture(name));
        const auto whole = FindBlock(file);
        ASSERT_TRUE(whole) << name;
        for (std::size_t size = 0; size < file.size(); ++size) {
            const auto found = FindBlock(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)));
            if (found) {
                EXPECT_EQ(*found, *whole) << name << " cut to " << size;
            }
        }
    }
}

TEST(VersionResourceTest, DamagedFilesAreReadSafely) {
    std::mt19937 random(20240611);
    for (const char* name : kFixtures) {
        const Bytes file = ReadFile(Fixture(name));
        std::uniform_int_distribution<std::size_t> position(0, file.size() - 1);
        std::uniform_int_distribution<int> byte(0, 255);
        std::uniform_int_distribution<int> flips(1, 4);
        int stillFound = 0;
        for (int round = 0; round < 3000; ++round) {
            Bytes damaged = file;
            for (int n = flips(random); n > 0; --n) damaged[position(random)] = static_cast<std::uint8_t>(byte(random));
            if (FindBlock(damaged)) ++stillFound;
        }
        EXPECT_GT(stillFound, 0) << name << ": the damage should leave some blocks to query";
    }
}

TEST(VersionResourceTest, DamagedBlocksAreQueriedSafely) {
    std::mt19937 random(7);
    const Bytes block = BlockOf(Fixture("two-translations-pe64.dll"));
    std::uniform_int_distribution<std::size_t> position(0, block.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 20000; ++round) {
        Bytes damaged = block;
        damaged[position(random)] = static_cast<std::uint8_t>(byte(random));
        if (round % 2 == 1) damaged[position(random) & ~std::size_t{1}] = static_cast<std::uint8_t>(byte(random));
        const Bytes exact(damaged.begin(), damaged.end() - (round % 5));
        QueryEverything(exact);
    }
}

// File offset of a PE file's resource directory.
std::size_t ResourceRoot(const Bytes& pe) {
    const std::size_t header = ReadU32(&pe[0x3C]);
    const std::size_t optional = header + 24;
    const std::size_t directories = optional + (ReadU16(&pe[optional]) == 0x20B ? 112 : 96);
    const std::uint32_t rva = ReadU32(&pe[directories + 16]);
    const std::size_t sections = optional + ReadU16(&pe[header + 20]);
    for (std::size_t i = 0; i < ReadU16(&pe[header + 6]); ++i) {
        const std::uint8_t* s = &pe[sections + 40 * i];
        if (rva >= ReadU32(s + 12) && rva < ReadU32(s + 12) + ReadU32(s + 16)) return ReadU32(s + 20) + rva - ReadU32(s + 12);
    }
    ADD_FAILURE() << "no resource section";
    return 0;
}

TEST(VersionResourceTest, ResourceDirectoryLoopsEnd) {
    const Bytes file = ReadFile(Fixture("two-translations-pe64.dll"));
    const std::size_t root = ResourceRoot(file);
    ASSERT_EQ(ReadU32(&file[root + 16]), 16u) << "the version type is the only entry";
    const std::uint32_t namesDirectory = ReadU32(&file[root + 20]) & 0x7FFFFFFF;

    Bytes typeToRoot = file;
    PutLeAt(typeToRoot, root + 20, 0x80000000u, 4);
    Bytes nameToItself = file;
    PutLeAt(nameToItself, root + namesDirectory + 20, 0x80000000u | namesDirectory, 4);

    EXPECT_TRUE(FindBlock(file));
    EXPECT_FALSE(FindBlock(typeToRoot));
    EXPECT_FALSE(FindBlock(nameToItself));
}

TEST(VersionResourceTest, ElfSectionBeyondFourGigabytesIsReadInPlace) {
    TempDir dir;
    const Bytes block = SimpleBlock({Text("FileVersion", "far away")});
    const std::uint64_t offset = (std::uint64_t{9} << 29) + 4;  // 4.5 GiB, left as a hole
    WriteElf64(dir / "large.o", ".tarnwick_version", block, offset);

    Bytes read;
    ASSERT_TRUE(platform::GetFileVersionInfo((dir / "large.o").string(), read));
    EXPECT_EQ(read, block);
    EXPECT_EQ(QueryText(read, "\\StringFileInfo\\040904E4\\FileVersion"), "far away");
}

TEST(VersionResourceTest, LanguageNames) {
    const struct {
        std::uint16_t id;
        const char* name;
    } cases[] = {
        {0x0409, "English (United States)"},
        {0x0407, "German (Germany)"},
        {0x0809, "English (United Kingdom)"},
        {0x0411, "Japanese (Japan)"},
        {0x0000, "Language Neutral"},
        {0x3C09, "English"},  // a region without its own name
        {0x03FE, ""},         // no such language
    };
    for (const auto& c : cases) EXPECT_EQ(platform::VerLanguageName(c.id), c.name) << std::hex << c.id;
}

}  // namespace
