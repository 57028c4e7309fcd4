#pragma once

#include <string>

namespace platform {

// Loads a shared module (a .so or .dll) by its full path. A loaded module stays
// loaded for the life of the process. Returns nullptr with the system's reason in
// AError when it cannot be loaded.
void* LoadModule(const std::string& APath, std::string& AError);

// The address of an exported function of a loaded module, nullptr when it has none.
void* ModuleSymbol(void* AModule, const char* AName);

}  // namespace platform
