// Measures the start from outside the program, as a user sees it: from the fork of the
// process to the first pixel of its window that is not black on a virtual X display of
// the benchmark's own (Xvfb, black root, no window manager, so the window shows nothing
// until the program draws it). Side by side with a peer, a bare Qt main window with a
// menu bar and a label (tarnwick_startup_peer); Tarnwick with an empty root and with a
// root of 10,000 project folders. Also the time until Tarnwick has settled (the project
// list filled), which it reports on its standard output with TARNWICK_STARTUP_PROBE set.
//   build/tarnwick_startup_bench [trials]
// Prints the medians, the ratios to the peer and whether the goals are met.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kProjectFolders = 10000;
constexpr double kPaintGoal = 1.3;   // first paint, as a multiple of the peer's
constexpr double kSettleGoal = 1.5;  // settled, as a multiple of the peer's first paint

using TClock = std::chrono::steady_clock;

double MillisSince(TClock::time_point AStart) {
    return std::chrono::duration<double, std::milli>(TClock::now() - AStart).count();
}

struct TSubject {
    const char* Description;
    std::string Program;
    bool ReportsSettle;
    std::vector<double> Paint;
    std::vector<double> Settle;
};

struct TStart {
    double Paint = -1;   // ms from fork to the first pixel that is not black
    double Settle = -1;  // ms from fork to "settled" on the standard output
};

// A copy of the program in a folder of its own, which keeps its settings.ini there.
std::string PlaceProgram(const QString& AProgram, const QString& AFolder, const QString& ARoot) {
    QDir().mkpath(AFolder);
    const QString copy = AFolder + QStringLiteral("/tarnwick");
    QFile::copy(AProgram, copy);
    QFile settings(AFolder + QStringLiteral("/settings.ini"));
    if (settings.open(QIODevice::WriteOnly)) {
        const QByteArray project = ARoot.isEmpty() ? QByteArray() : (ARoot + QStringLiteral("/p05000")).toUtf8();
        settings.write("[Settings]\r\nRoot=" + ARoot.toUtf8() + "\r\nProject=" + project + "\r\n");
    }
    return copy.toStdString();
}

// Whether any pixel of the screen's rectangle is not black.
bool AnyLit(Display* ADisplay, Window ARoot, int AX, int AY, unsigned AWidth, unsigned AHeight) {
    XImage* image = XGetImage(ADisplay, ARoot, AX, AY, AWidth, AHeight, AllPlanes, ZPixmap);
    if (!image) return false;
    bool lit = false;
    for (unsigned y = 0; y < AHeight && !lit; ++y)
        for (unsigned x = 0; x < AWidth; ++x)
            if ((XGetPixel(image, int(x), int(y)) & 0xFFFFFF) != 0) {
                lit = true;
                break;
            }
    XDestroyImage(image);
    return lit;
}

// Forks and runs AProgram on the display, then watches the screen for its window and
// the pipe for its report; ends it once both are in (or after 30 s).
TStart TimeStart(Display* ADisplay, const std::string& AProgram, bool AReportsSettle) {
    const Window root = DefaultRootWindow(ADisplay);
    XSync(ADisplay, True);  // events of earlier starts are dropped
    int out[2];
    if (pipe(out) != 0) return {};
    const TClock::time_point start = TClock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(AProgram.c_str(), AProgram.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    TStart result;
    Window window = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0;
    std::string said;
    const auto done = [&] { return result.Paint >= 0 && (!AReportsSettle || result.Settle >= 0); };
    while (!done() && MillisSince(start) < 30000) {
        while (XPending(ADisplay)) {
            XEvent event;
            XNextEvent(ADisplay, &event);
            if (event.type == MapNotify && event.xmap.event == root && !event.xmap.override_redirect && !window) {
                window = event.xmap.window;
                XWindowAttributes attributes;
                XGetWindowAttributes(ADisplay, window, &attributes);
                x = std::max(0, attributes.x);
                y = std::max(0, attributes.y);
                width = unsigned(std::min(attributes.width, DisplayWidth(ADisplay, 0) - x));
                height = unsigned(std::min(attributes.height, DisplayHeight(ADisplay, 0) - y));
            }
        }
        if (window && result.Paint < 0 && AnyLit(ADisplay, root, x, y, width, height)) result.Paint = MillisSince(start);
        pollfd fds[] = {{out[0], POLLIN, 0}, {ConnectionNumber(ADisplay), POLLIN, 0}};
        if (poll(fds, 2, window && result.Paint < 0 ? 1 : 20) > 0 && (fds[0].revents & (POLLIN | POLLHUP))) {
            char buffer[256];
            const ssize_t got = read(out[0], buffer, sizeof buffer);
            if (got > 0) said.append(buffer, std::size_t(got));
            if (result.Settle < 0 && said.find("settled") != std::string::npos) result.Settle = MillisSince(start);
            if (got <= 0) break;  // the program ended
        }
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(out[0]);
    // The next start begins on a black screen again.
    XSync(ADisplay, False);
    while (window && AnyLit(ADisplay, root, x, y, width, height)) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return result;
}

double Median(std::vector<double> AValues) {
    std::sort(AValues.begin(), AValues.end());
    return AValues.empty() ? 0 : AValues[AValues.size() / 2];
}

// Starts Xvfb on a free display number; its process id, or -1.
pid_t StartXvfb(std::string& ADisplayName) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t server = fork();
    if (server == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-br", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return -1;
    ADisplayName = ':' + number;
    return server;
}

}  // namespace

int main(int argc, char** argv) {
    const int trials = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const QString here = QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath();

    std::string displayName;
    const pid_t xvfb = StartXvfb(displayName);
    Display* display = xvfb > 0 ? XOpenDisplay(displayName.c_str()) : nullptr;
    if (!display) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);

    QTemporaryDir work;
    const QString root = work.filePath(QStringLiteral("www"));
    for (int i = 0; i < kProjectFolders; ++i)
        QDir().mkpath(root + QStringLiteral("/p%1").arg(i, 5, 10, QLatin1Char('0')));
    const QString program = here + QStringLiteral("/tarnwick");

    setenv("DISPLAY", displayName.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("TARNWICK_STARTUP_PROBE", "1", 1);
    setenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toLocal8Bit().constData(), 1);
    unsetenv("TARNWICK_EXIT_AFTER_FIRST_PAINT");

    std::vector<TSubject> subjects = {
        {"peer: Qt main window, menu bar, one label", (here + QStringLiteral("/tarnwick_startup_peer")).toStdString(),
         false, {}, {}},
        {"tarnwick, empty root", PlaceProgram(program, work.filePath(QStringLiteral("empty")), QString()), true, {}, {}},
        {"tarnwick, root of 10000 project folders", PlaceProgram(program, work.filePath(QStringLiteral("big")), root),
         true, {}, {}},
    };
    // One warm-up start each, then the trials taken in turns so that the machine's
    // load falls on all alike.
    for (TSubject& subject : subjects) TimeStart(display, subject.Program, subject.ReportsSettle);
    for (int trial = 0; trial < trials; ++trial)
        for (TSubject& subject : subjects) {
            const TStart start = TimeStart(display, subject.Program, subject.ReportsSettle);
            if (start.Paint < 0 || (subject.ReportsSettle && start.Settle < 0)) {
                std::fprintf(stderr, "%s: no %s within 30 s\n", subject.Description,
                             start.Paint < 0 ? "lit pixel" : "settled report");
                return 1;
            }
            subject.Paint.push_back(start.Paint);
            if (subject.ReportsSettle) subject.Settle.push_back(start.Settle);
        }

    std::printf("start under Xvfb, from fork to the window's first pixel that is not black, median of %d\n", trials);
    const double peer = Median(subjects[0].Paint);
    bool met = true;
    std::printf("%-44s %8.1f ms\n", subjects[0].Description, peer);
    for (std::size_t i = 1; i < subjects.size(); ++i) {
        const TSubject& subject = subjects[i];
        const double paint = Median(subject.Paint);
        const double settle = Median(subject.Settle);
        const bool paintMet = paint <= kPaintGoal * peer;
        const bool settleMet = settle <= kSettleGoal * peer;
        met = met && paintMet && settleMet;
        std::printf("%-44s %8.1f ms  %5.2fx peer (goal %.1fx: %s); settled %8.1f ms  %5.2fx peer's paint (goal %.1fx: %s)\n",
                    subject.Description, paint, paint / peer, kPaintGoal, paintMet ? "met" : "missed", settle,
                    settle / peer, kSettleGoal, settleMet ? "met" : "missed");
    }
    XCloseDisplay(display);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    return met ? 0 : 2;
}
