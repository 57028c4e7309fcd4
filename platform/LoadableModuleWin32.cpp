#include "platform/LoadableModule.h"

#include "platform/WideTextWin32.h"

namespace platform {

void* LoadModule(const std::string& APath, std::string& AError) {
    // The module's own dependencies are looked up beside it first.
    HMODULE module = ::LoadLibraryExW(ToWide(APath).c_str(), nullptr,
                                      LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) AError = "error " + std::to_string(::GetLastError());
    return reinterpret_cast<void*>(module);
}

void* ModuleSymbol(void* AModule, const char* AName) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(AModule), AName));
}

}  // namespace platform
