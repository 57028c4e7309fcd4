#include "platform/QuitSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace platform {

namespace {

int GWriteFd = -1;

void OnQuitSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(GWriteFd, &byte, 1);
    errno = saved;
}

}  // namespace

int WatchQuitSignals() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    GWriteFd = fds[1];
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
    return fds[0];
}

void DrainQuitSignals(int AReadFd) {
    char bytes[64];
    while (::read(AReadFd, bytes, sizeof bytes) > 0) {
    }
}

}  // namespace platform
