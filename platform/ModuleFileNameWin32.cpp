#include "platform/ModuleFileName.h"

#include <vector>

#include "platform/WideTextWin32.h"

namespace platform {

const char* const kPathSeparators = "\\/";

std::string ModuleFileName() {
    // The call cuts the name to the buffer and reports a full buffer then; grow until it fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) return {};
        if (length < size) return FromWide(buffer.data(), length);
        if (buffer.size() >= 32768) return {};  // longer than any path Windows allows
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace platform
