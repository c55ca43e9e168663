#include <dlfcn.h>

#include "plugin_library_platform.h"

namespace plugin_library_platform {

void* Open(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* message = dlerror();
        error = message != nullptr ? message : "cannot load " + path;
    }
    return handle;
}

void* Find(void* handle, const char* name) {
    return dlsym(handle, name);
}

void Close(void* handle) {
    dlclose(handle);
}

}  // namespace plugin_library_platform
