#include "platform/LoadableModule.h"

#include <dlfcn.h>

namespace platform {

void* LoadModule(const std::string& APath, std::string& AError) {
    void* module = ::dlopen(APath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = ::dlerror();
        AError = reason ? reason : "the module could not be loaded";
    }
    return module;
}

void* ModuleSymbol(void* AModule, const char* AName) { return ::dlsym(AModule, AName); }

}  // namespace platform
