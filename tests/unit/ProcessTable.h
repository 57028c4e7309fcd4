#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// The live processes whose command line is exactly AWords (a zombie has none).
inline std::vector<pid_t> ProcessesRunning(const std::vector<std::string>& AWords) {
    std::string wanted;
    for (const std::string& word : AWords) wanted += word + '\0';
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream file(entry.path() / "cmdline", std::ios::binary);
        const std::string line((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (line == wanted) found.push_back(static_cast<pid_t>(std::stol(name)));
    }
    return found;
}

// Waits until ACondition holds, or the time is up; gives the condition's last answer.
template <typename TCondition>
bool HoldsWithin(TCondition ACondition, std::chrono::milliseconds ATime) {
    const auto end = std::chrono::steady_clock::now() + ATime;
    while (!ACondition()) {
        if (std::chrono::steady_clock::now() > end) return ACondition();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace testsupport
