// The executable reader (PE resource section, ELF section) on arbitrary file bytes,
// in memory and through a real file, and the version-information component on that file.
//
// Oracles: a block found lies inside the file and is the file's bytes there; the
// file path finds the same block as the memory path; the component has information
// exactly when a block was found, its version numbers are those of the fixed
// information and all its text is well-formed UTF-8.
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "components/KelvoVersionInfo.h"
#include "platform/VersionBlock.h"
#include "platform/VersionImage.h"
#include "platform/VersionResource.h"

namespace {

using namespace platform::version;
using fuzz::Check;
using fuzz::IsValidUtf8;

void CheckComponent(TKelvoVersionInfo& info, const std::vector<std::uint8_t>* block) {
    Check(info.HaveInfo() == (block != nullptr), "the component disagrees on whether there is a block");
    if (!info.HaveInfo()) {
        Check(info.FileVersion().empty() && info.CurrentTranslation() == -1, "information without a block");
        return;
    }
    const platform::VS_FIXEDFILEINFO fixed = info.FixedFileInfo();
    const TKelvoVersionNumber file = info.FileVersionNumber();
    Check(file.V1 == fixed.dwFileVersionMS >> 16 && file.V2 == (fixed.dwFileVersionMS & 0xFFFF) &&
              file.V3 == fixed.dwFileVersionLS >> 16 && file.V4 == (fixed.dwFileVersionLS & 0xFFFF),
          "the file version is not that of the fixed information");
    const std::int32_t count = info.NumTranslations();
    Check(count >= 0 && info.CurrentTranslation() < count, "the current translation is outside the table");
    for (std::int32_t n = -1; n <= count && n < 8; ++n) {
        info.setCurrentTranslation(n);
        for (const std::string& text :
             {info.Comments(), info.CompanyName(), info.FileDescription(), info.FileVersion(), info.InternalName(),
              info.LegalCopyright(), info.LegalTrademarks(), info.OriginalFileName(), info.PrivateBuild(),
              info.ProductName(), info.ProductVersion(), info.SpecialBuild(), info.Language(), info.CharSet()}) {
            Check(IsValidUtf8(text), "the component gives malformed UTF-8");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile scratch("tarnwick-fuzz-image");
    const SpanSource memory(std::span<const std::uint8_t>(data, size));

    std::vector<std::uint8_t> block;
    const auto location = FindVersionBlock(memory);
    if (location) {
        Check(location->Offset <= size && location->Length <= size - location->Offset,
              "the block lies outside the file");
        Check(ReadVersionBlock(memory, *location, block), "a block found cannot be read");
        Check(block.size() == location->Length && std::memcmp(block.data(), data + location->Offset, block.size()) == 0,
              "the block read is not the file's bytes");
        Check(RootBlockLength(block) == location->Length, "the block's root length is not its size");
    }

    const std::string& path = scratch.Write(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<std::uint8_t> fromFile;
    const bool found = platform::GetFileVersionInfo(path, fromFile);
    Check(found == location.has_value() && fromFile == block, "the file and the memory reader disagree");
    Check(platform::GetFileVersionInfoSize(path) == block.size(), "the size differs from the block read");

    TKelvoVersionInfo info;
    info.setFileName(path);
    CheckComponent(info, location ? &block : nullptr);
    return 0;
}
