#include "platform/VersionResource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <span>
#include <utility>

#include "platform/VersionBlock.h"
#include "platform/VersionImage.h"

namespace platform {
namespace {

// A regular file read with pread. Anything else (a directory, a pipe, a device) is
// refused at open, so a reader never blocks or runs on without end.
class FileSource : public version::ByteSource {
public:
    explicit FileSource(const std::string& fileName) {
        fFd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fFd < 0) {
            fError = errno;
            return;
        }
        struct stat info {};
        if (::fstat(fFd, &info) != 0 || !S_ISREG(info.st_mode)) {
            fError = ENODATA;
            return;
        }
        fSize = static_cast<std::uint64_t>(info.st_size);
    }
    ~FileSource() override {
        if (fFd >= 0) ::close(fFd);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    // 0 when the file is open and regular, else the reason it is not.
    int Error() const { return fError; }

    std::uint64_t Size() const override { return fSize; }

    bool Read(std::uint64_t offset, std::size_t length, std::uint8_t* out) const override {
        if (fError != 0 || offset > fSize || length > fSize - offset) return false;
        while (length > 0) {
            const ssize_t got = ::pread(fFd, out, length, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            out += got;
            offset += static_cast<std::uint64_t>(got);
            length -= static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int fFd = -1;
    int fError = 0;
    std::uint64_t fSize = 0;
};

// Reads the file's block; on failure the result is empty and `error` says why.
std::optional<std::vector<std::uint8_t>> ReadBlock(const std::string& fileName, int& error) {
    const FileSource file(fileName);
    error = file.Error();
    if (error != 0) return std::nullopt;
    std::vector<std::uint8_t> block;
    const auto location = version::FindVersionBlock(file);
    if (!location || !version::ReadVersionBlock(file, *location, block)) {
        error = ENODATA;
        return std::nullopt;
    }
    return block;
}

struct LanguageName {
    std::uint16_t Id;
    const char* Name;
};

// Full identifiers (primary language and region).
constexpr LanguageName kLanguages[] = {
    {0x0401, "Arabic (Saudi Arabia)"},     {0x0402, "Bulgarian (Bulgaria)"},
    {0x0403, "Catalan (Catalan)"},         {0x0404, "Chinese (Traditional, Taiwan)"},
    {0x0405, "Czech (Czech Republic)"},    {0x0406, "Danish (Denmark)"},
    {0x0407, "German (Germany)"},          {0x0408, "Greek (Greece)"},
    {0x0409, "English (United States)"},   {0x040A, "Spanish (Spain, Traditional Sort)"},
    {0x040B, "Finnish (Finland)"},         {0x040C, "French (France)"},
    {0x040D, "Hebrew (Israel)"},           {0x040E, "Hungarian (Hungary)"},
    {0x040F, "Icelandic (Iceland)"},       {0x0410, "Italian (Italy)"},
    {0x0411, "Japanese (Japan)"},          {0x0412, "Korean (Korea)"},
    {0x0413, "Dutch (Netherlands)"},       {0x0414, "Norwegian, Bokmål (Norway)"},
    {0x0415, "Polish (Poland)"},           {0x0416, "Portuguese (Brazil)"},
    {0x0418, "Romanian (Romania)"},        {0x0419, "Russian (Russia)"},
    {0x041A, "Croatian (Croatia)"},        {0x041B, "Slovak (Slovakia)"},
    {0x041C, "Albanian (Albania)"},        {0x041D, "Swedish (Sweden)"},
    {0x041E, "Thai (Thailand)"},           {0x041F, "Turkish (Turkey)"},
    {0x0420, "Urdu (Pakistan)"},           {0x0421, "Indonesian (Indonesia)"},
    {0x0422, "Ukrainian (Ukraine)"},       {0x0423, "Belarusian (Belarus)"},
    {0x0424, "Slovenian (Slovenia)"},      {0x0425, "Estonian (Estonia)"},
    {0x0426, "Latvian (Latvia)"},          {0x0427, "Lithuanian (Lithuania)"},
    {0x0429, "Persian (Iran)"},            {0x042A, "Vietnamese (Vietnam)"},
    {0x042D, "Basque (Basque)"},           {0x0436, "Afrikaans (South Africa)"},
    {0x0439, "Hindi (India)"},             {0x043E, "Malay (Malaysia)"},
    {0x0804, "Chinese (Simplified, China)"}, {0x0807, "German (Switzerland)"},
    {0x0809, "English (United Kingdom)"},  {0x080A, "Spanish (Mexico)"},
    {0x080C, "French (Belgium)"},          {0x0810, "Italian (Switzerland)"},
    {0x0813, "Dutch (Belgium)"},           {0x0814, "Norwegian, Nynorsk (Norway)"},
    {0x0816, "Portuguese (Portugal)"},     {0x081A, "Serbian (Latin, Serbia)"},
    {0x0C07, "German (Austria)"},          {0x0C09, "English (Australia)"},
    {0x0C0A, "Spanish (Spain)"},           {0x0C0C, "French (Canada)"},
    {0x1009, "English (Canada)"},          {0x100C, "French (Switzerland)"},
    {0x1409, "English (New Zealand)"},     {0x1809, "English (Ireland)"},
};

// Primary languages (the identifier's low ten bits), for regions not listed above.
constexpr LanguageName kPrimaryLanguages[] = {
    {0x00, "Language Neutral"}, {0x01, "Arabic"},     {0x02, "Bulgarian"},  {0x03, "Catalan"},
    {0x04, "Chinese"},          {0x05, "Czech"},      {0x06, "Danish"},     {0x07, "German"},
    {0x08, "Greek"},            {0x09, "English"},    {0x0A, "Spanish"},    {0x0B, "Finnish"},
    {0x0C, "French"},           {0x0D, "Hebrew"},     {0x0E, "Hungarian"},  {0x0F, "Icelandic"},
    {0x10, "Italian"},          {0x11, "Japanese"},   {0x12, "Korean"},     {0x13, "Dutch"},
    {0x14, "Norwegian"},        {0x15, "Polish"},     {0x16, "Portuguese"}, {0x18, "Romanian"},
    {0x19, "Russian"},          {0x1B, "Slovak"},     {0x1C, "Albanian"},   {0x1D, "Swedish"},
    {0x1E, "Thai"},             {0x1F, "Turkish"},    {0x20, "Urdu"},       {0x21, "Indonesian"},
    {0x22, "Ukrainian"},        {0x23, "Belarusian"}, {0x24, "Slovenian"},  {0x25, "Estonian"},
    {0x26, "Latvian"},          {0x27, "Lithuanian"}, {0x29, "Persian"},    {0x2A, "Vietnamese"},
    {0x2B, "Armenian"},         {0x2D, "Basque"},     {0x2F, "Macedonian"}, {0x36, "Afrikaans"},
    {0x37, "Georgian"},         {0x38, "Faroese"},    {0x39, "Hindi"},      {0x3E, "Malay"},
    {0x3F, "Kazakh"},           {0x41, "Swahili"},    {0x43, "Uzbek"},      {0x45, "Bengali"},
    {0x49, "Tamil"},            {0x7F, "Invariant Language"},
};

const char* FindName(std::span<const LanguageName> table, std::uint16_t id) {
    const auto it = std::find_if(table.begin(), table.end(), [id](const LanguageName& l) { return l.Id == id; });
    return it == table.end() ? nullptr : it->Name;
}

}  // namespace

std::uint32_t GetFileVersionInfoSize(const std::string& fileName) {
    int error = 0;
    const auto block = ReadBlock(fileName, error);
    errno = error;
    return block ? static_cast<std::uint32_t>(block->size()) : 0;
}

bool GetFileVersionInfo(const std::string& fileName, std::vector<std::uint8_t>& block) {
    int error = 0;
    auto found = ReadBlock(fileName, error);
    block = found ? std::move(*found) : std::vector<std::uint8_t>();
    errno = error;
    return found.has_value();
}

bool VerQueryValue(const std::vector<std::uint8_t>& block, const std::string& subBlock,
                   const void*& value, std::uint32_t& length) {
    const auto found = version::QueryBlock(block, subBlock);
    if (!found) return false;
    value = block.data() + found->Offset;
    length = found->Length;
    return true;
}

std::string VerLanguageName(std::uint16_t languageId) {
    if (const char* name = FindName(kLanguages, languageId)) return name;
    if (const char* name = FindName(kPrimaryLanguages, languageId & 0x3FF)) return name;
    return {};
}

}  // namespace platform
