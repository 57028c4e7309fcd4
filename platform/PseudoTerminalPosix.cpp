#include "platform/PseudoTerminal.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

namespace {

std::error_code SystemError(int AErrno) { return {AErrno, std::system_category()}; }

unsigned short Cells(int ACount) { return static_cast<unsigned short>(std::clamp(ACount, 1, USHRT_MAX)); }

}  // namespace

bool PseudoTerminalSupported() { return true; }

std::error_code OpenPseudoTerminal(PseudoTerminal& ATerminal, TerminalSize ASize) {
    FileHandle master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master.IsOpen()) return SystemError(errno);
    if (::grantpt(master.Get()) != 0 || ::unlockpt(master.Get()) != 0) return SystemError(errno);
    char name[128];
    if (const int error = ::ptsname_r(master.Get(), name, sizeof name)) return SystemError(error);
    // Never our controlling terminal, whatever session this program leads.
    FileHandle slave(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave.IsOpen()) return SystemError(errno);
    FileHandle input(::fcntl(master.Get(), F_DUPFD_CLOEXEC, 0));
    if (!input.IsOpen()) return SystemError(errno);
    ATerminal.Master = std::move(master);
    ATerminal.Input = std::move(input);
    ATerminal.Slave = std::move(slave);
    ATerminal.SlaveName = name;
    return ResizePseudoTerminal(ATerminal, ASize);
}

std::error_code ResizePseudoTerminal(const PseudoTerminal& ATerminal, TerminalSize ASize) {
    winsize size{};
    size.ws_col = Cells(ASize.Columns);
    size.ws_row = Cells(ASize.Rows);
    if (::ioctl(ATerminal.Master.Get(), TIOCSWINSZ, &size) != 0) return SystemError(errno);
    return {};
}

void ReleaseChildSide(PseudoTerminal& ATerminal, const ChildProcess&) { ATerminal.Slave.Close(); }

const char* EndOfInputKeys() { return "\x04"; }

}  // namespace platform
