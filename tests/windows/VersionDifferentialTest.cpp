// The portable version-resource reader (platform/VersionImage.h, VersionBlock.h)
// against the system's version functions, on the same PE files: our fixtures, this
// test program and executables and libraries of the Windows folder.
#include "platform/ModuleFileName.h"
#include "platform/VersionBlock.h"
#include "platform/VersionImage.h"
#include "platform/VersionResource.h"

#include "TarnwickVersionBytes.h"
#include "tests/unit/VersionTestSupport.h"
#include "platform/WideTextWin32.h"

#include <windows.h>
#undef GetFileVersionInfoSize
#undef GetFileVersionInfo
#undef VerQueryValue

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using versiontest::Bytes;
using versiontest::Fixture;

namespace {

// A value a query found: where it starts and its length as the query reports it.
struct Found {
    const std::uint8_t* At = nullptr;
    std::uint32_t Length = 0;
};
using Query = std::function<std::optional<Found>(const std::string& path)>;

const char* const kStringNames[] = {"Comments",        "CompanyName",      "FileDescription", "FileVersion",
                                    "InternalName",    "LegalCopyright",   "LegalTrademarks", "OriginalFileName",
                                    "PrivateBuild",    "ProductName",      "ProductVersion",  "SpecialBuild"};

// Everything of a version block that the program can ask for.
struct Facts {
    std::optional<platform::VS_FIXEDFILEINFO> Fixed;
    std::optional<std::uint32_t> TranslationBytes;
    std::vector<std::uint32_t> Translations;  // language in the low half, code page in the high
    // "<8 hex digits>\<name>" of each translation and standard name to the text and
    // reported length, for the values that are present.
    std::map<std::string, std::pair<std::string, std::uint32_t>> Strings;

    bool operator==(const Facts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Facts& facts) {
    if (facts.Fixed) {
        out << "file version " << std::hex << facts.Fixed->dwFileVersionMS << "." << facts.Fixed->dwFileVersionLS
            << std::dec;
    }
    out << ", " << facts.Translations.size() << " translations, strings:";
    for (const auto& [path, value] : facts.Strings) out << " " << path << "=\"" << value.first << "\"";
    return out;
}

// The string table's name for a translation entry: language and code page as hex.
std::string TableKey(std::uint32_t translation) {
    char key[9];
    std::snprintf(key, sizeof key, "%04X%04X", static_cast<unsigned>(translation & 0xFFFF),
                  static_cast<unsigned>(translation >> 16));
    return key;
}

Facts FactsOf(const Query& query) {
    Facts facts;
    if (const auto root = query("\\")) facts.Fixed = platform::FixedFileInfoFromBytes(root->At);
    if (const auto table = query("\\VarFileInfo\\Translation")) {
        facts.TranslationBytes = table->Length;
        for (std::uint32_t at = 0; at + 4 <= table->Length; at += 4)
            facts.Translations.push_back(platform::version::ReadU32(table->At + at));
    }
    for (const std::uint32_t translation : facts.Translations) {
        for (const char* name : kStringNames) {
            const std::string path = TableKey(translation) + "\\" + name;
            if (const auto text = query("\\StringFileInfo\\" + path)) {
                facts.Strings[path] = {platform::version::Utf16LeToUtf8(text->At, text->Length), text->Length};
            }
        }
    }
    return facts;
}

// The portable reader on the file's bytes; nothing when it finds no block.
std::optional<Bytes> PortableBlock(const fs::path& file) {
    const Bytes bytes = versiontest::ReadFile(file);
    const platform::version::SpanSource source(bytes);
    const auto location = platform::version::FindVersionBlock(source);
    Bytes block;
    if (!location || !platform::version::ReadVersionBlock(source, *location, block)) return std::nullopt;
    return block;
}

// The system's functions; nothing when they find no block.
std::optional<Bytes> SystemBlock(const fs::path& file) {
    Bytes block;
    if (platform::GetFileVersionInfoSize(file.string()) == 0) return std::nullopt;
    if (!platform::GetFileVersionInfo(file.string(), block)) return std::nullopt;
    return block;
}

Facts PortableFacts(const Bytes& block) {
    return FactsOf([&block](const std::string& path) -> std::optional<Found> {
        const auto value = platform::version::QueryBlock(block, path);
        if (!value) return std::nullopt;
        return Found{block.data() + value->Offset, value->Length};
    });
}

Facts SystemFacts(const Bytes& block) {
    return FactsOf([&block](const std::string& path) -> std::optional<Found> {
        const void* value = nullptr;
        std::uint32_t length = 0;
        if (!platform::VerQueryValue(block, path, value, length)) return std::nullopt;
        return Found{static_cast<const std::uint8_t*>(value), length};
    });
}

// Both readers on one file: both find a block and tell the same about it. Returns
// the system's facts.
Facts ExpectSameFacts(const fs::path& file) {
    SCOPED_TRACE(file.string());
    const auto system = SystemBlock(file);
    const auto portable = PortableBlock(file);
    EXPECT_TRUE(system.has_value()) << "the system finds no version block";
    EXPECT_TRUE(portable.has_value()) << "the portable reader finds no version block";
    if (!system || !portable) return {};
    const Facts facts = SystemFacts(*system);
    EXPECT_TRUE(facts.Fixed.has_value());
    EXPECT_EQ(PortableFacts(*portable), facts);
    return facts;
}

fs::path SystemFolder() {
    wchar_t buffer[MAX_PATH] = L"";
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
    return fs::path(std::wstring(buffer, length));
}

TEST(VersionDifferentialTest, FixturesAgree) {
    const Facts two = ExpectSameFacts(Fixture("two-translations-pe64.dll"));
    EXPECT_EQ(two.Translations, (std::vector<std::uint32_t>{0x04E40409, 0x04B00407}));
    EXPECT_EQ(two.Strings.at("040904E4\\FileVersion").first, "3.1.4.1592");
    EXPECT_EQ(two.Strings.at("040704B0\\CompanyName").first, "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln");
    EXPECT_EQ(two.Strings.size(), 14u);  // twelve in the first table, two in the second

    const Facts none = ExpectSameFacts(Fixture("no-translation-pe32.exe"));
    EXPECT_FALSE(none.TranslationBytes.has_value());
    EXPECT_TRUE(none.Strings.empty());

    // Both take the English block of a resource in three languages.
    const Facts several = ExpectSameFacts(Fixture("several-languages-pe64.dll"));
    ASSERT_TRUE(several.Fixed.has_value());
    EXPECT_EQ(several.Fixed->dwFileVersionMS, 0x00010000u);
}

TEST(VersionDifferentialTest, FilesWithoutBlockAgree) {
    for (const fs::path& file : {Fixture("two-translations.rc"), Fixture("missing.dll")}) {
        SCOPED_TRACE(file.string());
        EXPECT_FALSE(SystemBlock(file).has_value());
        EXPECT_FALSE(PortableBlock(file).has_value());
    }
    // Expected difference: our own ELF section is read by the portable reader only;
    // the system reads PE files.
    EXPECT_FALSE(SystemBlock(Fixture("two-translations-elf32.o")).has_value());
    EXPECT_TRUE(PortableBlock(Fixture("two-translations-elf32.o")).has_value());
}

// The resource compiler makes the same block from version.rc as the build embeds
// in an ELF executable, and the system reads the project's values from it.
TEST(VersionDifferentialTest, OwnExecutableCarriesTheProjectBlock) {
    const fs::path self = fs::path(platform::ModuleFileName());
    const Facts facts = ExpectSameFacts(self);
    ASSERT_TRUE(facts.Fixed.has_value());
    const platform::VS_FIXEDFILEINFO expected{0xFEEF04BD, 0x00010000, 0x00020000, 0x0002003D, 0x00010000, 0, 63,
                                              0,          4,          1,          0,          0,          0};
    EXPECT_EQ(*facts.Fixed, expected);
    EXPECT_EQ(facts.Translations, (std::vector<std::uint32_t>{0x04E40409}));
    EXPECT_EQ(facts.Strings.at("040904E4\\FileVersion").first, "2.0.2.61");
    EXPECT_EQ(facts.Strings.at("040904E4\\ProductVersion").first, "1.0.0.0");
    EXPECT_EQ(facts.Strings.size(), 2u);

    const auto block = PortableBlock(self);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(*block, Bytes(std::begin(tarnwick::kVersionBlockBytes), std::end(tarnwick::kVersionBlockBytes)));
}

TEST(VersionDifferentialTest, SystemExecutablesAndLibrariesAgree) {
    // Libraries carry their block in many languages; both readers must take the same.
    const fs::path folder = SystemFolder();
    const char* const names[] = {"kernel32.dll", "user32.dll",  "comctl32.dll", "shell32.dll", "version.dll",
                                 "cmd.exe",      "notepad.exe", "regsvr32.exe", "xcopy.exe"};
    int withBlock = 0;
    for (const char* name : names) {
        const fs::path file = folder / name;
        SCOPED_TRACE(file.string());
        ASSERT_TRUE(fs::exists(file));
        const bool system = SystemBlock(file).has_value();
        EXPECT_EQ(PortableBlock(file).has_value(), system);
        if (!system) continue;
        const Facts facts = ExpectSameFacts(file);
        ASSERT_FALSE(facts.Translations.empty());
        EXPECT_EQ(facts.Strings.count(TableKey(facts.Translations[0]) + "\\FileVersion"), 1u) << facts;
        ++withBlock;
    }
    EXPECT_GE(withBlock, 6) << "too few files with a version block in " << folder.string();
}

}  // namespace
