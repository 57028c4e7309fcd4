// Opening a big Laravel log to its newest entries, beside `tail -n 1000` of the same
// file as the peer.
//
//   tarnwick_log_bench [MEGABYTES]   (1024 unless given; the file is made in the
//                                     temporary folder and removed afterwards)
//
// Prints the time to index and read the newest 1000 entries, the peer's time, their
// ratio and the process's peak resident memory.
#include "components/LaravelLog.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using TClock = std::chrono::steady_clock;

double Seconds(TClock::time_point AStart) {
    return std::chrono::duration<double>(TClock::now() - AStart).count();
}

// Entries of a few sizes, every tenth an error with a trace.
void MakeLog(const std::filesystem::path& AFile, std::uint64_t ABytes) {
    std::ofstream file(AFile, std::ios::binary);
    std::string block;
    std::uint64_t written = 0;
    for (unsigned n = 0; written < ABytes; ++n) {
        block.clear();
        for (unsigned i = 0; i < 1000; ++i, ++n) {
            char head[64];
            std::snprintf(head, sizeof head, "[2026-12-10 %02u:%02u:%02u] local.", n / 3600 % 24, n / 60 % 60, n % 60);
            block += head;
            if (n % 10 == 0) {
                block += "ERROR: Request " + std::to_string(n) +
                         " failed {\"exception\":\"[object] (RuntimeException(code: 0): failed at /srv/app/app/Http/"
                         "Controllers/OrderController.php:42)\n[stacktrace]\n";
                for (int f = 0; f < 12; ++f)
                    block += "#" + std::to_string(f) +
                             " /srv/app/vendor/laravel/framework/src/Illuminate/Pipeline/Pipeline.php(180): "
                             "Illuminate\\Pipeline\\Pipeline->handle()\n";
                block += "\"} \n";
            } else {
                block += "INFO: Order " + std::to_string(n) + " saved {\"user\":" + std::to_string(n % 97) + "} []\n";
            }
        }
        file << block;
        written += block.size();
    }
}

long PeakKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const auto file = std::filesystem::temp_directory_path() / "tarnwick-log-bench.log";
    std::printf("making a %llu MB log...\n", static_cast<unsigned long long>(megabytes));
    MakeLog(file, megabytes << 20);

    // Warm the page cache for both sides alike.
    std::system(("tail -n 1000 '" + file.string() + "' > /dev/null").c_str());

    const auto peerStart = TClock::now();
    std::system(("tail -n 1000 '" + file.string() + "' > /dev/null").c_str());
    const double peer = Seconds(peerStart);

    const auto start = TClock::now();
    TLogIndex index(file.string());
    index.Open(1000);
    std::size_t bytes = 0;
    const std::size_t first = index.Count() > 1000 ? index.Count() - 1000 : 0;
    for (std::size_t i = first; i < index.Count(); ++i) bytes += index.Entry(i, 64 * 1024).Detail.size();
    const double ours = Seconds(start);

    std::printf("file:            %llu bytes\n", static_cast<unsigned long long>(index.FileSize()));
    std::printf("entries indexed: %zu (newest 1000 read, %zu bytes of detail)\n", index.Count(), bytes);
    std::printf("log viewer open: %.4f s\n", ours);
    std::printf("tail -n 1000:    %.4f s\n", peer);
    std::printf("ratio:           %.2f\n", peer > 0 ? ours / peer : 0.0);
    std::printf("peak memory:     %ld KB\n", PeakKilobytes());
    std::filesystem::remove(file);
    return ours <= 1.0 ? 0 : 1;
}
