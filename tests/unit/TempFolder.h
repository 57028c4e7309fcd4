#pragma once

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace testsupport {

// A fresh folder under the system's temporary folder for one test, removed with
// everything in it afterwards.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "tarnwick-test") {
#ifdef _WIN32
        // No mkdtemp here: try fresh names until one is created (never an existing one).
        const auto base = std::filesystem::temp_directory_path();
        unsigned long long seed =
            static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
        for (int attempt = 0; attempt < 100 && FPath.empty(); ++attempt) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            const auto candidate = base / (prefix + "-" + std::to_string(seed >> 40));
            if (std::filesystem::create_directory(candidate)) FPath = std::filesystem::canonical(candidate);
        }
        if (FPath.empty()) throw std::runtime_error("no temporary folder could be made");
#else
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        FPath = std::filesystem::canonical(pattern);
#endif
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    std::filesystem::path operator/(const std::string& name) const { return FPath / name; }
    std::string File(const std::string& name) const { return (FPath / name).string(); }

    // The names of the entries, sorted.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(FPath))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    bool IsEmpty() const { return std::filesystem::is_empty(FPath); }

private:
    std::filesystem::path FPath;
};

// The whole content of a file as bytes ("" when it cannot be read).
inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// The bytes of a UTF-16 LE text file: byte-order mark, then each code unit low byte first.
inline std::string Utf16LeFile(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

}  // namespace testsupport
