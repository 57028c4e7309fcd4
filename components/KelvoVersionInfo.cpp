#include "components/KelvoVersionInfo.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/ModuleFileName.h"
#include "platform/VersionBlock.h"

namespace {

constexpr std::size_t kTranslationBytes = 4;

constexpr std::array<const char*, 12> kStringNames = {
    "Comments",        "CompanyName",      "FileDescription", "FileVersion",
    "InternalName",    "LegalCopyright",   "LegalTrademarks", "OriginalFileName",
    "PrivateBuild",    "ProductName",      "ProductVersion",  "SpecialBuild",
};

struct CodePageName {
    std::uint16_t CodePage;
    const char* Name;
};

constexpr CodePageName kCodePages[] = {
    {0, "7-bit ASCII"},
    {932, "Windows, Japan (Shift - JIS X-0208)"},
    {949, "Windows, Korea (Shift - KSC 5601)"},
    {950, "Windows, Taiwan (GB5)"},
    {1200, "Unicode"},
    {1250, "Windows, Latin-2 (Eastern European)"},
    {1251, "Windows, Cyrillic"},
    {1252, "Windows, Multilingual"},
    {1253, "Windows, Greek"},
    {1254, "Windows, Turkish"},
    {1255, "Windows, Hebrew"},
    {1256, "Windows, Arabic"},
};

TKelvoVersionNumber VersionNumber(std::uint32_t mostSignificant, std::uint32_t leastSignificant) {
    return {static_cast<std::uint16_t>(mostSignificant >> 16), static_cast<std::uint16_t>(mostSignificant),
            static_cast<std::uint16_t>(leastSignificant >> 16), static_cast<std::uint16_t>(leastSignificant)};
}

}  // namespace

TKelvoVersionInfo::TKelvoVersionInfo() { setFileName(""); }

void TKelvoVersionInfo::setFileName(const std::string& AFileName) {
    fFileName = AFileName.empty() ? platform::ModuleFileName() : AFileName;
    ResetHaveInfo();
    LoadVersionResource();
}

void TKelvoVersionInfo::ResetHaveInfo() { fHaveInfo = false; }

void TKelvoVersionInfo::LoadVersionResource() {
    fHaveInfo = false;
    fFixedFileInfo = {};
    fNumTranslations = 0;

    if (platform::GetFileVersionInfoSize(fFileName) == 0) return;
    if (!platform::GetFileVersionInfo(fFileName, fPInfoBuffer)) return;
    fHaveInfo = true;

    const void* value = nullptr;
    std::uint32_t length = 0;
    if (platform::VerQueryValue(fPInfoBuffer, "\\", value, length) && length >= platform::kFixedFileInfoBytes) {
        fFixedFileInfo = platform::FixedFileInfoFromBytes(value);
    }

    if (!platform::VerQueryValue(fPInfoBuffer, "\\VarFileInfo\\Translation", value, length)) length = 0;
    fNumTranslations = static_cast<std::int32_t>(length / kTranslationBytes);
    const auto* table = static_cast<const std::uint8_t*>(value);
    fPTransBuffer.assign(table, table + fNumTranslations * kTranslationBytes);

    setCurrentTranslation(0);
}

TKelvoVersionNumber TKelvoVersionInfo::FileVersionNumber() const {
    return VersionNumber(fFixedFileInfo.dwFileVersionMS, fFixedFileInfo.dwFileVersionLS);
}

TKelvoVersionNumber TKelvoVersionInfo::ProductVersionNumber() const {
    return VersionNumber(fFixedFileInfo.dwProductVersionMS, fFixedFileInfo.dwProductVersionLS);
}

void TKelvoVersionInfo::setCurrentTranslation(std::int32_t Value) {
    fCurrentTranslation = Value >= 0 && Value < fNumTranslations ? Value : -1;
}

std::uint16_t TKelvoVersionInfo::LanguageCode() const {
    if (CurrentTranslation() == -1) return 0;
    return platform::version::ReadU16(&fPTransBuffer[fCurrentTranslation * kTranslationBytes]);
}

std::uint16_t TKelvoVersionInfo::CharSetCode() const {
    if (CurrentTranslation() == -1) return 0;
    return platform::version::ReadU16(&fPTransBuffer[fCurrentTranslation * kTranslationBytes + 2]);
}

std::string TKelvoVersionInfo::Language() const {
    return fHaveInfo ? platform::VerLanguageName(LanguageCode()) : std::string();
}

std::string TKelvoVersionInfo::CharSet() const {
    if (!fHaveInfo) return {};
    const std::uint16_t code = CharSetCode();
    const auto it = std::find_if(std::begin(kCodePages), std::end(kCodePages),
                                 [code](const CodePageName& c) { return c.CodePage == code; });
    return it == std::end(kCodePages) ? std::string() : it->Name;
}

std::string TKelvoVersionInfo::GetStringFileInfo(const std::string& Name) const {
    if (!fHaveInfo) return {};

    char translation[9] = "";
    if (CurrentTranslation() != -1) {
        std::snprintf(translation, sizeof translation, "%04X%04X", static_cast<unsigned>(LanguageCode()),
                      static_cast<unsigned>(CharSetCode()));
    }
    const std::string path = std::string("\\StringFileInfo\\") + translation + "\\" + Name;
    if (platform::version::Utf8ToUtf16(path).size() > kMaxQueryPath) return {};

    const void* value = nullptr;
    std::uint32_t length = 0;
    if (!platform::VerQueryValue(fPInfoBuffer, path, value, length)) return {};
    // The value ends at its first null or at its stored length, whichever comes
    // first, and never past the block.
    const auto* text = static_cast<const std::uint8_t*>(value);
    const std::size_t unitsLeft = static_cast<std::size_t>(fPInfoBuffer.data() + fPInfoBuffer.size() - text) / 2;
    return platform::version::Utf16LeToUtf8(text, std::min<std::size_t>(length, unitsLeft));
}

std::string TKelvoVersionInfo::StandardString(std::size_t index) const {
    return GetStringFileInfo(kStringNames.at(index));
}
