#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/PrivateProfile.h"
#include "platform/WideTextWin32.h"
// The A/W names of <windows.h> would replace the platform functions' names.
#undef GetPrivateProfileString
#undef WritePrivateProfileString
#include "WineTestSupport.h"

namespace {

int PrintCommandLine() {
    const std::string line = platform::FromWide(std::wstring(GetCommandLineW()));
    std::fwrite(line.data(), 1, line.size(), stdout);
    return 0;
}

int WriteBytes(const char* AHex) {
    std::string bytes;
    for (std::size_t i = 0; AHex[i] != '\0' && AHex[i + 1] != '\0'; i += 2)
        bytes += static_cast<char>(std::stoi(std::string(AHex + i, 2), nullptr, 16));
    // One write, so that the reader gets the bytes in one piece.
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return written == bytes.size() ? 0 : 1;
}

// Writes to the console it is attached to, whatever its standard output is.
int WriteConsole(const char* AHex) {
    std::string bytes;
    for (std::size_t i = 0; AHex[i] != '\0' && AHex[i + 1] != '\0'; i += 2)
        bytes += static_cast<char>(std::stoi(std::string(AHex + i, 2), nullptr, 16));
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return 2;
    DWORD written = 0;
    const BOOL done = WriteFile(console, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(console);
    return done && written == bytes.size() ? 0 : 1;
}

// Copies what its console reads as typed to the console until the end of input (a line
// that starts with Ctrl+Z, as the C runtime reads it: wine's console hands it over as a
// character), then exits with 7.
int EchoConsole() {
    const HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
    const HANDLE output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE || output == INVALID_HANDLE_VALUE) return 2;
    char buffer[256];
    DWORD count = 0;
    DWORD written = 0;
    while (ReadFile(input, buffer, sizeof buffer, &count, nullptr) && count > 0 && buffer[0] != '\x1a') {
        const std::string line = "read:" + std::string(buffer, count);
        WriteFile(output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    return 7;
}

int WriteSettings(const std::string& AFile, const std::string& AKey, int ACount) {
    int lost = 0;
    for (int i = 1; i <= ACount; ++i) {
        const std::string value = AKey + std::to_string(i);
        if (!platform::WritePrivateProfileString("Settings", AKey, value, AFile)) return 100;
        if (platform::GetPrivateProfileString("Settings", AKey, "", AFile) != value) ++lost;
    }
    return std::min(lost, 99);
}

// The C runtime's own reading of our command line, in UTF-16 whatever the code page.
extern "C" int __wgetmainargs(int* AArgc, wchar_t*** AArgv, wchar_t*** AEnv, int AGlob, void* AStartInfo);

int PrintArguments() {
    int argc = 0;
    wchar_t** argv = nullptr;
    wchar_t** env = nullptr;
    int startInfo = 0;
    if (__wgetmainargs(&argc, &argv, &env, 0, &startInfo) != 0) return 1;
    std::string lines;
    static const char kDigits[] = "0123456789abcdef";
    for (int i = 2; i < argc; ++i) {
        for (const unsigned char c : platform::FromWide(std::wstring(argv[i]))) {
            lines += kDigits[c >> 4];
            lines += kDigits[c & 15];
        }
        lines += '\n';
    }
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    return 0;
}

int HandleUsable(const char* AHex) {
    const auto value = static_cast<std::uintptr_t>(std::stoull(AHex, nullptr, 16));
    DWORD flags = 0;
    return GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 0 : 1;
}

int EchoInput() {
    char buffer[256];
    DWORD count = 0;
    DWORD written = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &count, nullptr) && count > 0)
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), buffer, count, &written, nullptr);
    return 7;
}

int PrintVariable(const char* AName) {
    const std::wstring name = platform::ToWide(AName);
    const DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) {
        std::fputs("-", stdout);
        return 0;
    }
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name.c_str(), value.data(), size));
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char c : platform::FromWide(value)) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    std::fputs(hex.c_str(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Copied under the name php.exe, the executable stands in for a PHP program.
    if (std::filesystem::path(platform::ModuleFileName()).stem() == "php") {
        if (argc == 3 && std::strcmp(argv[1], testsupport::PrintVariableArgument) == 0) return PrintVariable(argv[2]);
        std::fputs("PHP 8.1.0 (cli) (stand-in)\n", stdout);
        return 0;
    }
    // Copied under the name wsl.exe, it prints the command line it was given.
    if (std::filesystem::path(platform::ModuleFileName()).stem() == "wsl") return PrintCommandLine();
    if (argc == 3 && std::strcmp(argv[1], testsupport::HandleUsableArgument) == 0) return HandleUsable(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], testsupport::SleepArgument) == 0) {
        Sleep(static_cast<DWORD>(std::atoi(argv[2])));
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], testsupport::EchoInputArgument) == 0) return EchoInput();
    if (argc == 2 && std::strcmp(argv[1], testsupport::EchoConsoleArgument) == 0) return EchoConsole();
    if (argc >= 2 && std::strcmp(argv[1], testsupport::PrintCommandLineArgument) == 0) return PrintCommandLine();
    if (argc == 3 && std::strcmp(argv[1], testsupport::WriteBytesArgument) == 0) return WriteBytes(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], testsupport::WriteConsoleArgument) == 0) return WriteConsole(argv[2]);
    if (argc == 5 && std::strcmp(argv[1], testsupport::WriteSettingsArgument) == 0)
        return WriteSettings(argv[2], argv[3], std::atoi(argv[4]));
    if (argc >= 2 && std::strcmp(argv[1], testsupport::PrintArgumentsArgument) == 0) return PrintArguments();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
