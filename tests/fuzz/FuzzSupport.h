#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

// Small helpers shared by the fuzz targets.
extern "C" char** environ;

namespace fuzz {

// Stops the run with a message when an oracle does not hold; libFuzzer then keeps
// the input as a crash.
inline void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "oracle failed: %s\n", what);
    std::abort();
}

// True for well-formed UTF-8: shortest forms only, no surrogates, nothing past U+10FFFF.
inline bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        std::uint32_t c = 0;
        std::uint32_t minimum = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, c = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, c = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, c = lead & 0x07, minimum = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = (c << 6) | (next & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

// Equal with ASCII letters folded, as INI names compare.
inline bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// A folder for scratch files: $TMPDIR when set, else the shared-memory folder, which
// keeps a file rewritten for every input off the disk.
inline std::filesystem::path ScratchFolder() {
    if (std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm")) return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

// A file of this process, rewritten for each input so that the readers that take a
// file name read the fuzzed bytes through the real file path.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& stem)
        : fPath((ScratchFolder() / (stem + "-" + std::to_string(::getpid()))).string()) {}
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(fPath, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Write(std::string_view bytes) {
        std::ofstream out(fPath, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        Check(out.good(), "the scratch file could not be written");
        return fPath;
    }

private:
    std::string fPath;
};

// What /bin/sh -c `command` prints on its standard output.
inline std::string ShellOutput(const std::string& command) {
    int pipeEnds[2];
    Check(::pipe2(pipeEnds, O_CLOEXEC) == 0, "no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, "/bin/sh", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    Check(spawned == 0, "/bin/sh did not start");
    std::string output;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return output;
}

}  // namespace fuzz
