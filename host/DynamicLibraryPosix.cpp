#include "DynamicLibrary.h"

#include <dlfcn.h>

void* DynamicLibrary::open(const std::string& path, std::string& reason)
{
    // dlopen takes a name without a slash as a library to search for in the
    // system folders; a plug-in path given that way means the current folder.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    // RTLD_NOW: a module with unresolved symbols must fail here, as it does in
    // hosts that bind eagerly, not in the middle of a render.
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = dlerror();
        reason = error ? error : "unknown error";
    }
    return handle;
}

// A module handle only searches the module and its own dependencies, never
// the host executable, so looking up `main` cannot find ours.
void* DynamicLibrary::symbol(void* handle, const char* name) { return dlsym(handle, name); }

void DynamicLibrary::close(void* handle) { dlclose(handle); }
