#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/VersionResource.h"

// A version as four 16-bit parts, most significant first: 2.0.2.61 is V1 2, V2 0,
// V3 2, V4 61.
struct TKelvoVersionNumber {
    std::uint16_t V1 = 0;
    std::uint16_t V2 = 0;
    std::uint16_t V3 = 0;
    std::uint16_t V4 = 0;

    bool operator==(const TKelvoVersionNumber&) const = default;
};

// Reads the version resource of an executable or library file and offers its parts:
// the fixed file information, the table of translations (language and code page)
// with a selectable current one, and the string values of that translation's table.
// All text is UTF-8. Nothing here throws: a file without a readable version
// resource leaves the reader without information (HaveInfo false, numbers 0,
// strings "", CurrentTranslation -1).
class TKelvoVersionInfo {
public:
    // Reads the running executable's version resource at once.
    TKelvoVersionInfo();
    virtual ~TKelvoVersionInfo() = default;

    const std::string& FileName() const { return fFileName; }
    // Reads the file's version resource anew, also when the name is unchanged.
    // "" stands for the running executable, whose full path is stored instead.
    void setFileName(const std::string& AFileName);

    bool HaveInfo() const { return fHaveInfo; }

    // The fixed information; all zero without information.
    platform::VS_FIXEDFILEINFO FixedFileInfo() const { return fFixedFileInfo; }
    TKelvoVersionNumber FileVersionNumber() const;
    TKelvoVersionNumber ProductVersionNumber() const;
    std::uint32_t FileOS() const { return fFixedFileInfo.dwFileOS; }
    std::uint32_t FileType() const { return fFixedFileInfo.dwFileType; }
    std::uint32_t FileSubType() const { return fFixedFileInfo.dwFileSubtype; }
    std::uint32_t FileFlagsMask() const { return fFixedFileInfo.dwFileFlagsMask; }
    std::uint32_t FileFlags() const { return fFixedFileInfo.dwFileFlags; }

    // The standard string values of the current translation.
    std::string Comments() const { return StandardString(0); }
    std::string CompanyName() const { return StandardString(1); }
    std::string FileDescription() const { return StandardString(2); }
    std::string FileVersion() const { return StandardString(3); }
    std::string InternalName() const { return StandardString(4); }
    std::string LegalCopyright() const { return StandardString(5); }
    std::string LegalTrademarks() const { return StandardString(6); }
    std::string OriginalFileName() const { return StandardString(7); }
    std::string PrivateBuild() const { return StandardString(8); }
    std::string ProductName() const { return StandardString(9); }
    std::string ProductVersion() const { return StandardString(10); }
    std::string SpecialBuild() const { return StandardString(11); }

    // Names of the current translation's language and code page ("" without information).
    std::string Language() const;
    std::string CharSet() const;
    // The current translation's language and code page; 0 without information or
    // without a current translation.
    std::uint16_t LanguageCode() const;
    std::uint16_t CharSetCode() const;

    std::int32_t NumTranslations() const { return fNumTranslations; }
    // -1 without information or when the table is empty.
    std::int32_t CurrentTranslation() const { return fHaveInfo ? fCurrentTranslation : -1; }
    // Selects entry n when 0 <= n < NumTranslations, else none (-1).
    void setCurrentTranslation(std::int32_t Value);

    std::string StringFileInfo(const std::string& Name) const { return GetStringFileInfo(Name); }
    // The value called `Name` in the current translation's string table, up to its
    // first null; "" when there is none.
    std::string GetStringFileInfo(const std::string& Name) const;

    // The longest query path, in UTF-16 units. A lookup whose path would be longer
    // (a name of more than 230 characters) finds nothing and returns "".
    static constexpr std::size_t kMaxQueryPath = 255;

protected:
    virtual void ResetHaveInfo();
    virtual void LoadVersionResource();

private:
    std::string StandardString(std::size_t index) const;

    std::string fFileName;
    bool fHaveInfo = false;
    std::int32_t fNumTranslations = 0;
    std::int32_t fCurrentTranslation = 0;
    platform::VS_FIXEDFILEINFO fFixedFileInfo;
    std::vector<std::uint8_t> fPInfoBuffer;   // the whole version block
    std::vector<std::uint8_t> fPTransBuffer;  // the translation table, 4 bytes an entry
};
