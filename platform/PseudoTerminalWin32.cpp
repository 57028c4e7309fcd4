#include "platform/PseudoTerminal.h"

namespace platform {

// Runs keep their pipe on Windows for now.
bool PseudoTerminalSupported() { return false; }

std::error_code OpenPseudoTerminal(PseudoTerminal&, TerminalSize) {
    return std::make_error_code(std::errc::function_not_supported);
}

std::error_code ResizePseudoTerminal(NativeHandle, TerminalSize) {
    return std::make_error_code(std::errc::function_not_supported);
}

}  // namespace platform
