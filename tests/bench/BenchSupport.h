#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

// What the benchmark programs share: the peak memory and the line that compares a figure
// with its peer's.
namespace bench {

// A memory figure of the process's status ("VmHWM:", "VmRSS:"), in bytes.
inline double StatusBytes(const char* AKey) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == AKey) {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

// The process's peak resident memory so far, in bytes.
inline double PeakRssBytes() { return StatusBytes("VmHWM:"); }
// The process's resident memory now, in bytes.
inline double RssBytes() { return StatusBytes("VmRSS:"); }

// Writing 5 to clear_refs resets the peak to the current figure (Linux 4.0 and later).
inline void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

inline void Ratio(const char* AWhat, double AValue, double APeer, double AGoal, const char* AUnit) {
    std::printf("%-44s %10.3f %s vs %10.3f %s  ratio %6.2f  (goal <= %.2f) %s\n", AWhat, AValue, AUnit, APeer, AUnit,
                AValue / APeer, AGoal, AValue / APeer <= AGoal ? "met" : "MISSED");
}

// While it runs, notes the longest time the thread was away from its event loop, by a
// timer due every millisecond.
class StallWatch {
public:
    StallWatch() {
        FHeartbeat.setInterval(1);
        QObject::connect(&FHeartbeat, &QTimer::timeout, [this] {
            FLongestMs = std::max(FLongestMs, double(FBeat.nsecsElapsed()) / 1e6);
            FBeat.restart();
        });
        FBeat.start();
        FHeartbeat.start();
    }
    double LongestMs() const { return FLongestMs; }

private:
    QElapsedTimer FBeat;
    QTimer FHeartbeat;
    double FLongestMs = 0;
};

}  // namespace bench
